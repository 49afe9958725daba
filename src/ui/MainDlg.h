#pragma once

#include "app/AppSettings.h"
#include "menu/IconMenu.h"
#include "platform/Win32Constants.h"
#include "res/DialogBuilder.h"
#include "res/ImageList.h"
#include "ui/CommandPrompts.h"
#include "ui/DialogLayout.h"
#include "version/VersionCheck.h"

#include <QDialog>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct ApplyRequest;
struct PreviewSink;
struct UndoRequest;
class BackgroundRun;
class CFileListCtrl;
class QCheckBox;
class RunControl;
class QModelIndex;
class QDateEdit;
class QPushButton;
class QTimeEdit;
class QToolButton;

namespace platform {
class ProfileStore;
}

// The program's two entries in the window menu, beside the window's own (win32::sc).
inline constexpr unsigned IDM_ABOUTBOX = 0x0010;
inline constexpr unsigned IDM_VERSIONCHECK = 0x0020;
inline constexpr unsigned IDM_UNDO = 0x0030;
inline constexpr unsigned IDM_PREVIEW = 0x0040;

// The main window: the three groups of what to set, the options, the file list and the command
// buttons. Neither Enter nor Escape closes it; Enter presses the default button (update).
// Its settings are read while it opens and written when it closes.
class CMainDlg : public QDialog {
    Q_OBJECT
public:
    // prompts: the dialogs the commands open (the real ones when null); the window keeps it.
    explicit CMainDlg(platform::ProfileStore& profile, std::unique_ptr<CommandPrompts> prompts = nullptr,
                      QWidget* parent = nullptr);
    ~CMainDlg() override;

    int DoModal() { return exec(); }

    // Check boxes to the members (true) or members to the check boxes (false).
    void UpdateData(bool saveAndValidate);
    void LoadSettings();
    void SaveSettings();

    QWidget* GetDlgItem(int id) const { return m_controls.Item(id); }

    QPushButton* m_btnExit = nullptr;
    QPushButton* m_btnUpdate = nullptr;
    QPushButton* m_btnSelectAll = nullptr;
    QPushButton* m_btnRefresh = nullptr;
    QPushButton* m_btnDelete = nullptr;
    QPushButton* m_btnAddFolder = nullptr;
    QPushButton* m_btnAddFiles = nullptr;
    QCheckBox* m_chkArchive = nullptr;
    QCheckBox* m_chkHidden = nullptr;
    QCheckBox* m_chkReadOnly = nullptr;
    QTimeEdit* m_dtpUpdatedTime = nullptr;
    QDateEdit* m_dtpUpdatedDate = nullptr;
    QTimeEdit* m_dtpCreatedTime = nullptr;
    QDateEdit* m_dtpCreatedDate = nullptr;
    CFileListCtrl* m_list = nullptr;
    int m_bSetCreated = 0;
    int m_bSetUpdated = 0;
    int m_bSetAttributes = 0;
    int m_bSubFolder = 0;
    int m_bFolderTarget = 0;
    int m_bShowResult = 0;
    CImageList m_menuImages;
    CImageList m_nowImages;
    QToolButton* m_nowCreatedBar = nullptr;
    QToolButton* m_nowUpdatedBar = nullptr;
    int m_minTrackWidth = 0;
    int m_minTrackHeight = 0;
    CDialogLayout m_layout;
    std::string m_lastFolder;
    QPushButton* m_chkTopMost = nullptr;
    CIconMenu m_contextMenu;

public slots:
    void OnCheckCreated();
    void OnCheckUpdated();
    void OnCheckAttributes();
    void OnTopMost();
    void OnNowCreated();
    void OnNowUpdated();
    static void SetToNow(QDateEdit* date, QTimeEdit* time);
    void OnExit();
    void OnUpdate();
    // What the update would do, shown before anything is changed; it may then be run.
    void OnPreview();
    // The kept runs to choose one to undo, then the undo.
    void OnUndo();
    void OnAddFiles();
    void OnAddFolder();
    void OnDelete();
    void OnRefresh();
    void OnSelectAll();
    void OnExplorer();
    void OnProperties();
    void OnListDblClk(const QModelIndex& index);
    // A right click in the list at a point of its viewport: the context menu.
    void OnListRClick(const QPoint& position);
    // A command from a button or the context menu.
    void OnCommand(unsigned id);
    // A command of the window's menu: the About box, the version check, close, minimise.
    void OnSysCommand(unsigned id);
    // The window's menu at a point of the screen (on Windows the system's own).
    void ShowSystemMenu(const QPoint& screenPosition);
    // Starts a version check on a thread of its own and returns at once.
    void StartVersionCheck();
    // Shows the pending message (g_pendingText, ...) and returns when it is closed; 1.
    int OnShowMessage();
    // Adds one row per path, in order, then sorts once; the facts are read on a worker. Rows
    // not reached when the adding is cancelled are left out.
    void AddPaths(const std::vector<std::string>& paths);

public:
    // Reads a version file and tells the user the outcome; runs on a check's thread.
    void ParseVersionText(const char* text);
    // The remote version when it is newer than this program, else empty.
    static QString NewerVersionText(const QString& remote);
    // Where the check looks, and how long it waits for an answer.
    void SetVersionSource(const QString& url, int timeoutMs);
    const VersionChecks& VersionCheckThreads() const { return m_versionChecks; }

signals:
    // The update command was asked for (before its checks).
    void updateRequested();

protected:
    void accept() override {} // Enter never closes the window
    void reject() override {} // nor does Escape
    void done(int result) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void BindControls();
    void OnInitDialog();
    void InitLayout();
    void ApplyEnabling();
    // Runs job on a worker (BackgroundRun) with the controls that could change the request or
    // the list disabled. False when the caller is to do nothing more: the window was closed
    // meanwhile (and has closed once the worker ended), or another run was going on.
    bool RunInBackground(const QString& caption, const std::function<void(RunControl&)>& job);

    // The request the controls make and the rows it is for; false, after telling why under
    // caption, when there is nothing to ask.
    bool MakeRequest(const QString& caption, std::vector<int>& rows, ApplyRequest& request);
    // Undoes the run of that name on the worker, then shows what it did.
    void UndoRunNamed(const std::string& name);
    bool RunUndo(const std::string& name, UndoRequest& request, PreviewSink* preview);
    // What the undo would do, shown; true when the user asked to run it.
    bool PreviewUndo(const std::string& name);

    int FocusedRow() const;
    void SelectAndFocus(int row);

    // Has the window show the pending message, waiting until it is closed; from a check's thread.
    void SendShowMessage(const QString& text, const QString& caption, unsigned type);

    platform::ProfileStore& m_profile;
    std::unique_ptr<CommandPrompts> m_prompts;
    VersionChecks m_versionChecks;
    QString m_versionUrl;
    int m_versionTimeoutMs = 20000;
    std::atomic<bool> m_closing{false};
    DialogControls m_controls;
    bool m_saved = false;
    BackgroundRun* m_run = nullptr;    // the run in progress, if any
    std::optional<int> m_doneAfterRun; // the window was closed during it
};
