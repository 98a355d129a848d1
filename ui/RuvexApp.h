#pragma once
// The desktop program's application object: the drive the user chose, the
// settings file, the scan state, and the start-up sequence of step dialogs.
#include "engine/ScanContext.h"
#include "settings/IniFile.h"

#include <QApplication>

class CRuvexApp : public QApplication {
    Q_OBJECT
public:
    // Sets the settings path (<documents folder>/ruvex/config.ini), the code
    // page it names and the drive table it configures.
    CRuvexApp(int& argc, char** argv);

    // The one application object, or null before it exists.
    static CRuvexApp* Current();

    // Mode choice, drive selection, scan, results window; every cancel ends
    // the sequence, a scan that cannot run goes back to the drive selection.
    // Returns false always: the program ends when the sequence does.
    bool InitInstance();

    // Whether Qt's own Chinese texts (file dialogs, standard buttons) loaded.
    bool HasQtTranslations() const { return m_qtTranslationsLoaded; }

    char16_t m_driveLetter = 0;
    CIniFile m_iniFile;
    ScanContext m_scanContext;

private:
    bool m_qtTranslationsLoaded = false;
};
