// The parts of "/check", each reading one kind of the script's vocabulary.
#pragma once
#include "check/CheckReport.h"
#include "common/ScriptField.h"
#include "script/SetupScript.h"

enum class SectionRole { Install, Remove };

// Directives of the Setup API that the checker reads beside "CopyFiles" and "DelFiles".
constexpr char kAddRegKey[] = "AddReg";
constexpr char kDelRegKey[] = "DelReg";
constexpr char kUpdateInisKey[] = "UpdateInis";

// Calls visit for every section that a run on some platform applies, with its role: per
// platform family the Install section, the products' install sections, the products' remove
// sections and the Remove section. The platform's choice is in g_installSection,
// g_removeSection and g_productsSection meanwhile. A section may come more than once.
using SectionVisitor = void (*)(ScriptCheck *check, const char *section, SectionRole role,
                                void *data);
void ForEachRunSection(ScriptCheck *check, SectionVisitor visit, void *data);

// The product lines, the "Uninstall" line and what the removal needs, of the sections that
// the section globals name (one platform's choice).
void CheckCatalogue(ScriptCheck *check);

// The directives of one section of a run, the sections they name, and its services.
void CheckRunSection(ScriptCheck *check, const char *section, SectionRole role);

// The "<section>.Services" companion of a section of a run and its settings sections.
void CheckServiceSection(ScriptCheck *check, const char *section);

// Warnings for what a remove section deletes that no install section puts there.
void CheckLeftoverDeletions(ScriptCheck *check);

// The texts and pictures of [Wizard] and its language sections.
void CheckWizardSections(ScriptCheck *check);
