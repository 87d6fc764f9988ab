// Service sections: "<section>.Services" lines that stop, start, add and delete services.
#pragma once
#include <windows.h>
#include <setupapi.h>

int StopSectionServices(HINF inf, const char *section);
int StartSectionServices(HINF inf, const char *section);
int ApplySectionServices(HINF inf, const char *section);

int StopServiceByName(const char *name);
int StartServiceByName(const char *name);
int AddServiceFromSection(HINF inf, const char *name, const char *settingsSection);
int DeleteServiceByName(const char *name);
