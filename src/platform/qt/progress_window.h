#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <cstdint>
#include <string>

class QLabel;
class QProgressBar;

namespace pellumir {

// A small window with the file's name and a bar, for a read that takes
// long. It appears only once the read has gone on for kProgressDelayMs, so
// that a quick read shows nothing but the picture, and it stays until the
// picture window opens. Closing it (its close box or Escape) asks for the
// read to stop.
class ProgressWindow final : public QDialog {
  public:
    // About a third of a second: a wait the user notices.
    static constexpr qint64 kProgressDelayMs = 330;

    explicit ProgressWindow(const std::string& displayName);

    // Takes the read's progress (total 0 when unknown) and lets the desktop
    // answer the user; shows the window once the read has gone on long
    // enough. False once the user has closed it.
    bool progressed(uint64_t done, uint64_t total);
    bool stopped() const { return stopped_; }

    // The read has taken this long already: for tests, which do not wait.
    void pretendElapsed(qint64 milliseconds) { offsetMs_ = milliseconds; }

    void done(int result) override;

  private:
    QLabel* name_;
    QProgressBar* bar_;
    QElapsedTimer clock_;
    qint64 offsetMs_ = 0;
    bool stopped_ = false;
};

}  // namespace pellumir
