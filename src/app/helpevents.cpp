#include "app/helpevents.h"

#include <QApplication>
#include <QKeyEvent>

namespace {

class THelpFilter final : public QObject {
public:
    std::function<void()> handler;

    bool eventFilter(QObject* watched, QEvent* event) override {
        // Only the window that receives the key press asks, so one F1 is one request.
        if (handler && event->type() == QEvent::KeyPress && watched->isWidgetType() &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1) {
            handler();
            return true;
        }
        return false;
    }
};

THelpFilter* filter = nullptr;

} // namespace

void InstallHelpHandler(std::function<void()> handler) {
    if (!filter && qApp) {
        filter = new THelpFilter;
        filter->setParent(qApp);
        qApp->installEventFilter(filter);
    }
    if (filter) filter->handler = std::move(handler);
}
