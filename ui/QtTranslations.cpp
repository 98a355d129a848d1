#include "ui/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

bool InstallQtTranslations() {
    static QTranslator* translations = nullptr;
    if (translations) return true;
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    auto* loaded = new QTranslator(QCoreApplication::instance());
    if (!loaded->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(loaded)) {
        delete loaded;
        return false;
    }
    translations = loaded;
    return true;
}
