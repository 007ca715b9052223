// Small helpers for window tests.
#pragma once

#include <QAction>
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

// Triggers the action with this object name in `window`; false when there is none.
inline bool triggerAction(QWidget* window, const QString& name) {
    auto* action = window->findChild<QAction*>(name);
    if (!action) return false;
    action->trigger();
    return true;
}

// Runs `answer` on the next turn of the event loop, for answering a dialog shown with exec().
inline void whenDialogShows(std::function<void()> answer, int delayMs = 0) {
    QTimer::singleShot(delayMs, qApp, std::move(answer));
}
