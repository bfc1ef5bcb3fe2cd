#include "platform/qt/application_start.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace pellumir {

namespace {

struct HeldMessage {
    QtMsgType type;
    std::string category;
    QString text;
};

std::vector<HeldMessage>* heldMessages = nullptr;

bool isSet(const char* value) {
    return value && *value;
}

void holdBackDuringStart(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        std::string line = noDisplayMessage(std::getenv("QT_QPA_PLATFORM"),
                                            std::getenv("WAYLAND_DISPLAY"), std::getenv("DISPLAY"));
        std::fprintf(stderr, "%s\n", line.c_str());
        // Qt cannot go on after a fatal message, and nothing of the
        // program's own has started yet.
        _exit(1);
    }
    heldMessages->push_back({type, context.category ? context.category : "", text});
}

}  // namespace

std::string noDisplayMessage(const char* platform, const char* waylandDisplay,
                             const char* display) {
    std::string start = "pellumir: cannot open a window: ";
    if (isSet(platform)) {
        return start + "the Qt platform \"" + platform + "\" (QT_QPA_PLATFORM) did not start";
    }
    if (!isSet(display) && !isSet(waylandDisplay)) {
        return start + "no display (DISPLAY and WAYLAND_DISPLAY are not set)";
    }
    if (isSet(display)) return start + "cannot connect to the display \"" + display + "\"";
    return start + "cannot connect to the Wayland display \"" + waylandDisplay + "\"";
}

std::unique_ptr<QApplication> startApplication(int& argc, char** argv) {
    std::vector<HeldMessage> held;
    heldMessages = &held;
    QtMessageHandler previous = qInstallMessageHandler(holdBackDuringStart);
    auto application = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(previous);
    heldMessages = nullptr;
    for (const HeldMessage& message : held) {
        QMessageLogger logger(nullptr, 0, nullptr, message.category.c_str());
        switch (message.type) {
            case QtDebugMsg:
                logger.debug("%s", qPrintable(message.text));
                break;
            case QtInfoMsg:
                logger.info("%s", qPrintable(message.text));
                break;
            case QtWarningMsg:
                logger.warning("%s", qPrintable(message.text));
                break;
            default:
                logger.critical("%s", qPrintable(message.text));
                break;
        }
    }
    return application;
}

}  // namespace pellumir
