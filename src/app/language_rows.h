// The rows of the language table, defined in the language_rows_*.cpp files and put in table order
// by localization.cpp. Internal to the localization; everyone else goes through localization.h.
#pragma once

#include "app/localization.h"

namespace tarnwick::language_rows {

extern const LanguagePack english;
extern const LanguagePack german;
extern const LanguagePack french;
extern const LanguagePack spanish;
extern const LanguagePack italian;
extern const LanguagePack portuguese;
extern const LanguagePack dutch;
extern const LanguagePack polish;
extern const LanguagePack turkish;
extern const LanguagePack russian;
extern const LanguagePack ukrainian;
extern const LanguagePack arabic;
extern const LanguagePack hindi;
extern const LanguagePack indonesian;
extern const LanguagePack japanese;
extern const LanguagePack korean;
extern const LanguagePack chinese;

}  // namespace tarnwick::language_rows
