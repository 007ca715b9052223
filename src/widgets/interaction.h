// Everything a window asks the user goes through this seam: message boxes, open and save file
// dialogs and the folder chooser. The program uses the Qt dialogs; tests install a scripted
// answerer that also records every question.
#pragma once

#include "widgets/modalresult.h"

#include <QString>
#include <QStringList>

class QWidget;

// YesNoCancel shows Cancel as a button of its own, answering mrCancel as Escape does.
enum class TMessageButtons { Ok, YesNo, YesNoCancel };

struct TFileDialogSpec {
    QString caption;
    QString filter;           // "Catalogue (*.SXF)|*.SXF|All files (*.*)|*.*" style, pairs by '|'
    QString defaultExtension; // added when the typed name has none
    QString initialName;      // the last name the dialog returned
    bool confirmOverwrite = false;
};

class TInteraction {
public:
    virtual ~TInteraction() = default;
    // Returns mrOk for OK, mrYes or mrNo for a question, and mrCancel for a question the user
    // dismissed (Escape, the close button) without answering. The box carries the icon of its
    // kind, told by its caption: error, hint, or question for Yes/No.
    virtual TModalResult MessageBox(QWidget* parent, const QString& caption, const QString& text,
                                    TMessageButtons buttons) = 0;
    // A question whose answers are not Yes and No: one button per answer, the first the default,
    // the last also taken by Escape and the close button. Returns the answer's position.
    virtual int Choose(QWidget* parent, const QString& caption, const QString& text,
                       const QStringList& answers) = 0;
    // The chosen file, or an empty text when cancelled.
    virtual QString OpenFileName(QWidget* parent, const TFileDialogSpec& spec) = 0;
    virtual QString SaveFileName(QWidget* parent, const TFileDialogSpec& spec) = 0;
    // The chosen folder, or an empty text when cancelled.
    virtual QString BrowseForFolder(QWidget* parent, const QString& title,
                                    const QString& startFolder) = 0;
    // Opens a document (the help manual) in the desktop's viewer; false when it could not.
    virtual bool OpenDocument(const QString& path) = 0;
};

// The seam in force; the Qt dialogs unless a test installed its own.
TInteraction& Interaction();
// Installs `interaction` (not owned) or, with nullptr, the Qt dialogs again.
void SetInteraction(TInteraction* interaction);

// The icon a message box of the seam shows, told by its caption and buttons.
enum class TMessageKind { Error, Hint, Question };
TMessageKind MessageKindOf(const QString& caption, TMessageButtons buttons);

// A file error as it is told: the message, then a line with the file's name and the system's
// reason for `error` (an errno value), "/home/anna/Discs.SXD: No such file or directory". An
// error of 0 (none known, a damaged file) gives the name alone.
QString WithFileReason(const QString& message, const QString& fileName, int error);

// Converts "Desc (*.A)|*.A|All files (*.*)|*.*" into Qt's "Desc (*.A);;All files (*.*)".
QString QtFilterFrom(const QString& pipeFilter);
