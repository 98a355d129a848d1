#pragma once
// Qt's own texts (the folder chooser, the save dialog, standard buttons, the
// context menus of text fields) in Chinese like the rest of the program,
// whatever the desktop's language: qtbase_zh_CN from Qt's translations.

// Installs them into the application once; false when the translation is
// not installed (package qt6-translations-l10n).
bool InstallQtTranslations();
