#include "platform/qt/qt_translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QLoggingCategory>
#include <QTranslator>
#include <memory>

namespace pellumir {

namespace {

Q_LOGGING_CATEGORY(translationLog, "pellumir.translation", QtWarningMsg)

}  // namespace

QTranslator* installQtTranslation(QCoreApplication& application) {
    // Dates and file types in the file dialogs follow the default locale.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    auto translator = std::make_unique<QTranslator>();
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator->load(QStringLiteral("qtbase_zh_CN"), folder) ||
        !QCoreApplication::installTranslator(translator.get())) {
        qCInfo(translationLog, "no Qt translation qtbase_zh_CN in %s", qPrintable(folder));
        return nullptr;
    }
    qCInfo(translationLog, "Qt's texts from %s", qPrintable(translator->filePath()));
    // Owned by the application from here, which consults it until it ends.
    translator->setParent(&application);
    return translator.release();
}

}  // namespace pellumir
