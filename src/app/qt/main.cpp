// The picture viewer: start-up over the Qt desktop. The picture window's
// modal run is the program's only event loop; when it ends, so does the
// process.

#include "app/qt/about_dialog.h"
#include "app/qt/raw_float_dialog.h"
#include "app/viewer_app.h"
#include "io/save_signals.h"
#include "platform/qt/application_start.h"
#include "platform/qt/qt_desktop.h"
#include "platform/qt/qt_translation.h"

int main(int argc, char** argv) {
    // Broken pipes and file size limits become failed saves; an interrupted
    // save leaves no file behind.
    pellumir::installSaveSignalHandlers();

    std::unique_ptr<QApplication> application = pellumir::startApplication(argc, argv);
    pellumir::installQtTranslation(*application);
    pellumir::QtDesktop desktop({pellumir::showAboutDialog, pellumir::runRawFloatDialog});
    pellumir::ViewerApp app(desktop);
    app.startUp(pellumir::commandTail(argc, argv));
    return 0;
}
