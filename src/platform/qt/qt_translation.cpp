#include "platform/qt/qt_translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QLoggingCategory>
#include <QTranslator>

namespace pellumir {

namespace {

Q_LOGGING_CATEGORY(translationLog, "pellumir.translation", QtWarningMsg)

}  // namespace

QTranslator* installQtTranslation(QCoreApplication& application) {
    // Dates and file types in the file dialogs follow the default locale.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    // Owned by the application, which consults it until it ends.
    auto* translator = new QTranslator(&application);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator->load(QStringLiteral("qtbase_zh_CN"), folder) ||
        !QCoreApplication::installTranslator(translator)) {
        qCInfo(translationLog, "no Qt translation qtbase_zh_CN in %s", qPrintable(folder));
        delete translator;
        return nullptr;
    }
    qCInfo(translationLog, "Qt's texts from %s", qPrintable(translator->filePath()));
    return translator;
}

}  // namespace pellumir
