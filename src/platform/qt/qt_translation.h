#pragma once

class QCoreApplication;
class QTranslator;

namespace pellumir {

// Qt's own texts (the file dialogs, the buttons of message boxes, the
// question before a file is replaced, the dates and file types the file
// dialogs list) in Simplified Chinese, like the program's, whatever the
// desktop's locale: makes zh_CN the default locale and loads qtbase's zh_CN
// catalogue from Qt's translations folder (Debian's qt6-translations-l10n)
// into the application. Returns the installed translator, owned by the application,
// or null when the catalogue is not there; Qt's texts then stay English.
// With QT_LOGGING_RULES="pellumir.translation.info=true" the outcome is
// reported on the standard error.
QTranslator* installQtTranslation(QCoreApplication& application);

}  // namespace pellumir
