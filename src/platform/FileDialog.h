#pragma once

#include <QString>
#include <QStringList>

#include <stdexcept>

class QWidget;

// What a file dialog is asked and what it answers; the backend is the only part tests replace.
struct FileDialogRequest {
    int kind = 1;             // 1 open, 2 save
    QWidget* owner = nullptr; // the dialog stays above it
    QString title;
    QString initialDir;
    QString initialName;
    QStringList filters; // description, pattern, description, pattern, ...
    int filterIndex = 0; // 1-based; 0 = the first
    QString defaultExt;
    int flags = 0;
};

struct FileDialogAnswer {
    bool chosen = false;
    QString path;        // full path of the chosen file
    int filterIndex = 0; // 1-based
    int errorCode = 0;   // 0 after a plain cancel
};

class FileDialogBackend {
public:
    virtual ~FileDialogBackend() = default;
    virtual FileDialogAnswer run(const FileDialogRequest& request) = 0;
};

// The desktop's own open and save dialogs.
class PlatformFileDialogs final : public FileDialogBackend {
public:
    FileDialogAnswer run(const FileDialogRequest& request) override;
};

class cmnDlgError : public std::runtime_error {
public:
    cmnDlgError(int number, const char* description) : std::runtime_error(description), number(number) {}
    int number;
};

// The open and save file dialogs behind a set of properties: set them, run ShowOpen or
// ShowSave, read FileName back. A cancelled dialog leaves FileName as it was.
class cmnDlg {
public:
    explicit cmnDlg(FileDialogBackend& backend) : backend_(backend) {}

    QString FileName;
    QString FileTitle;
    QString DialogTitle;
    QString Filter; // "description|pattern|description|pattern..."
    int FilterIndex = 0;
    QString DefaultExt;
    QString InitDir;
    int Flags = 0;
    int hWndOwner = 0;
    QWidget* Owner = nullptr; // the window the dialog belongs to
    int MaxFileSize = 0;      // kept for callers; paths have no length limit here
    bool CancelError = false;

    int APIReturn() const { return apiReturn_; }
    int ExtendedError() const { return extendedError_; }

    void ShowOpen(); // throws cmnDlgError 32755 "Cancel was selected." when cancelled and CancelError
    void ShowSave();

    // The filter in NUL-separated form, closed by two NULs.
    static QString convertFilter(const QString& filter);
    // A returned buffer cut at its terminator; single NULs before a double NUL become blanks.
    static QString cutBuffer(const QString& buffer);
    // The folder the dialogs open in, from the stored LastFolder preference answer.
    static QString initialFolder(const QString& lastFolderAnswer);

private:
    void show(int kind);
    FileDialogBackend& backend_;
    int apiReturn_ = 0;
    int extendedError_ = 0;
};
