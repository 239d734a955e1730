#pragma once

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QString>
#include <filesystem>
#include <string>
#include <vector>

namespace korvalen {

// A path from a text the user chose, and back, keeping every character (UTF-8 on disk).
inline std::filesystem::path ToPath(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline QString FromPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return QString::fromUtf8(reinterpret_cast<const char*>(text.data()),
                             static_cast<qsizetype>(text.size()));
}

// The hourglass for the length of a scope.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// Marks the window busy for a scope: no other command, no close and no activation work runs
// while the events of a long loop are let through.
class BusyFlag {
public:
    explicit BusyFlag(bool& busy) : busy_(busy), was_(busy) { busy_ = true; }
    ~BusyFlag() { busy_ = was_; }
    BusyFlag(const BusyFlag&) = delete;
    BusyFlag& operator=(const BusyFlag&) = delete;

private:
    bool& busy_;
    bool was_;
};

// While a loop lets all events through, no other command may change the matrix or the result
// under it: the pages and every action are disabled and get their states back afterwards.
class CommandLock {
public:
    CommandLock(QMainWindow* window, bool& busy) : window_(window), busy_(busy) {
        for (QAction* action : window->findChildren<QAction*>(Qt::FindDirectChildrenOnly)) {
            if (action->isEnabled()) {
                enabled_.push_back(action);
                action->setEnabled(false);
            }
        }
        window->centralWidget()->setEnabled(false);
        window->menuBar()->setEnabled(false);
    }
    ~CommandLock() {
        for (QAction* action : enabled_)
            action->setEnabled(true);
        window_->centralWidget()->setEnabled(true);
        window_->menuBar()->setEnabled(true);
    }
    CommandLock(const CommandLock&) = delete;
    CommandLock& operator=(const CommandLock&) = delete;

private:
    QMainWindow* window_;
    BusyFlag busy_;
    std::vector<QAction*> enabled_;
};

}  // namespace korvalen
