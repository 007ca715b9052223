// The Help menu: the manual (Index, and F1 in every window) and the about box (Info).
#include "app/ufrmShelvix.h"

#include "language/messagetable.h"
#include "widgets/interaction.h"
#include "app/manual.h"
#include "app/shelvixwindows.h"
#include "app/ufrmInfo.h"

#include <QCoreApplication>
#include <QLabel>

using namespace ShelvixMessages;

namespace {
QString Text(const std::string& variable) { return QString::fromStdString(variable); }
} // namespace

void TfrmShelvix::ApplicationHelp() { actIndexExecute(); }

void TfrmShelvix::actIndexExecute() {
    const QString manual = FindManual(QCoreApplication::applicationDirPath());
    // The desktop's viewer reports nothing back; when the manual is missing or no viewer could
    // be started, the user learns it here rather than from a key that seems dead.
    if (manual.isEmpty() || !Interaction().OpenDocument(manual))
        Interaction().MessageBox(this, Text(msgError), Text(msgNoManual), TMessageButtons::Ok);
}

void TfrmShelvix::actInfoExecute() {
    if (!FWindows || !FWindows->frmInfo) return;
    TfrmInfo& info = *FWindows->frmInfo;
    info.LabelRAR->setText(Text(FRarSupport ? msgAvail : msgNoUnrar));
    info.LabelZIP->setText(Text(msgAvail));
    info.LabelVersion->setText(QStringLiteral("V") + QStringLiteral(SHELVIX_VERSION));
    info.exec();
}
