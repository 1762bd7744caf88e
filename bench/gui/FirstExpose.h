#pragma once
// What both windows of the first-window benchmark report: when the first expose's paint ended
// and the peak memory of the process.
#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QWindow>

#include <cstdio>
#include <ctime>
#include <memory>

namespace first_window {

inline double MonotonicMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

inline long PeakKib()
{
    std::unique_ptr<FILE, decltype(&fclose)> status(fopen("/proc/self/status", "r"), &fclose);
    char line[256];
    while (status && fgets(line, sizeof line, status.get())) {
        long kib = 0;
        if (sscanf(line, "VmHWM: %ld", &kib) == 1) {
            return kib;
        }
    }
    return -1;
}

// Paints the window's first expose itself, so that the moment it ends is known, then quits.
class FirstExpose final : public QObject {
public:
    explicit FirstExpose(QWindow *window) : window_(window) { window->installEventFilter(this); }
    double paintedAt() const { return paintedAt_; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != window_ || event->type() != QEvent::Expose || !window_->isExposed()) {
            return false;
        }
        window_->removeEventFilter(this);
        static_cast<QObject *>(window_)->event(event);
        paintedAt_ = MonotonicMs();
        QCoreApplication::quit();
        return true;
    }

private:
    QWindow *window_;
    double paintedAt_ = 0;
};

// Prints the moment and the peak memory for the benchmark that started this process.
inline void Report(double paintedAt)
{
    std::printf("%.3f %ld\n", paintedAt, PeakKib());
}

}  // namespace first_window
