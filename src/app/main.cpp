// Shelvix desktop program. Until the main window lands, a plain window carries the title.
#include "catalogue/IO_BZIP.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Shelvix");
    QApplication::setApplicationVersion(SHELVIX_VERSION);
    InitZoneBias(); // taken once: stored dates shift by the bias in effect when they were written
    QMainWindow window;
    window.setObjectName("frmShelvix");
    window.setWindowTitle("Shelvix");
    window.resize(831, 611);
    auto* label = new QLabel(QObject::tr("Shelvix %1").arg(SHELVIX_VERSION), &window);
    label->setAlignment(Qt::AlignCenter);
    window.setCentralWidget(label);
    window.show();
    return app.exec();
}
