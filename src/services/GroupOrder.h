// The system's service group order (HKLM ...\ServiceGroupOrder "List").
#pragma once
#include <windows.h>
#include <setupapi.h>

int ApplyServiceGroupOrder(HINF inf, const char *settingsSection);
