#include "ui/MainDlg.h"

#include "filelist/ApplyRun.h"
#include "filelist/FileFacts.h"
#include "filelist/FileListCtrl.h"
#include "filelist/PreviewDlg.h"
#include "filelist/RunJournal.h"
#include "filelist/RunsDlg.h"
#include "filelist/Undo.h"
#include "platform/Error.h"
#include "platform/Profile.h"
#include "platform/Win32Constants.h"
#include "res/MenuResources.h"
#include "res/Strings.h"
#include "shell/FileManager.h"
#include "ui/BackgroundRun.h"
#include "ui/CommandPrompts.h"
#include "ui/MessageBox.h"
#include "ui/PendingMessage.h"
#include "ui/PickerStyle.h"
#include "ui/WindowPlacement.h"
#include "version/BuildConfig.h"
#include "version/VersionText.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDateEdit>
#include <QDragEnterEvent>
#include <QFile>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTimeEdit>
#include <QToolButton>
#include <QUrl>
#include <QWindow>

#include <algorithm>
#include <numeric>
#include <utility>

namespace {

const QColor kMaskRed(255, 0, 0);
const QColor kMaskWhite(255, 255, 255);

StoredDate DateOf(const QDateEdit* picker) {
    const QDate d = picker->date();
    return {d.year(), d.month(), d.day()};
}

StoredTime TimeOf(const QTimeEdit* picker) {
    const QTime t = picker->time();
    return {t.hour(), t.minute(), t.second()};
}

void SetDate(QDateEdit* picker, const std::optional<StoredDate>& date) {
    if (date) {
        picker->setDate(QDate(date->year, date->month, date->day));
    }
}

void SetTime(QTimeEdit* picker, const std::optional<StoredTime>& time) {
    if (time) {
        picker->setTime(QTime(time->hour, time->minute, time->second));
    }
}

// A button that shows its face picture instead of its text keeps the text as its name and its
// mnemonic as its shortcut. Disabled (during a run) the face fades, as a disabled text does: the
// style's own disabled form of a picture leaves black writing black.
void ShowFace(QPushButton* button, const QPixmap& face) {
    const QString text = button->text();
    button->setAccessibleName(QString(text).remove('&'));
    button->setText(QString()); // clears the mnemonic, so it is set after
    button->setShortcut(QKeySequence::mnemonic(text));
    QPixmap faded(face.size());
    faded.fill(Qt::transparent);
    QPainter painter(&faded);
    painter.setOpacity(0.4);
    painter.drawPixmap(0, 0, face);
    painter.end();
    QIcon icon(face);
    icon.addPixmap(faded, QIcon::Disabled);
    button->setIcon(icon);
    button->setIconSize(face.size());
}

} // namespace

CMainDlg::CMainDlg(platform::ProfileStore& profile, std::unique_ptr<CommandPrompts> prompts, QWidget* parent)
    : QDialog(parent), m_profile(profile),
      m_prompts(prompts ? std::move(prompts) : std::make_unique<CommandPrompts>()) {
    // A minimise box and no maximise box, as the window manager is told only with
    // CustomizeWindowHint.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setAcceptDrops(true);
    m_controls = DialogBuilder::Build(
        *this, MainDialogTemplate(),
        {{idc::List, [](const ControlTemplate&, QWidget* p) { return new CFileListCtrl(p); }}});
    BindControls();
    OnInitDialog();
}

CMainDlg::~CMainDlg() {
    // A check may be waiting for this window to show its message: it is told to stop, and
    // shows nothing once the window is closing.
    m_closing = true;
    m_versionChecks.Shutdown();
    if (!m_saved) {
        SaveSettings();
    }
}

void CMainDlg::BindControls() {
    m_btnExit = m_controls.Get<QPushButton>(idc::Exit);
    m_btnUpdate = m_controls.Get<QPushButton>(idc::Update);
    m_btnSelectAll = m_controls.Get<QPushButton>(idc::SelectAll);
    m_btnRefresh = m_controls.Get<QPushButton>(idc::Refresh);
    m_btnDelete = m_controls.Get<QPushButton>(idc::Delete);
    m_btnAddFolder = m_controls.Get<QPushButton>(idc::AddFolder);
    m_btnAddFiles = m_controls.Get<QPushButton>(idc::AddFiles);
    m_chkArchive = m_controls.Get<QCheckBox>(idc::Archive);
    m_chkHidden = m_controls.Get<QCheckBox>(idc::Hidden);
    m_chkReadOnly = m_controls.Get<QCheckBox>(idc::ReadOnly);
    m_dtpUpdatedTime = m_controls.Get<QTimeEdit>(idc::UpdatedTime);
    m_dtpUpdatedDate = m_controls.Get<QDateEdit>(idc::UpdatedDate);
    m_dtpCreatedTime = m_controls.Get<QTimeEdit>(idc::CreatedTime);
    m_dtpCreatedDate = m_controls.Get<QDateEdit>(idc::CreatedDate);
    m_list = m_controls.Get<CFileListCtrl>(idc::List);
    m_nowCreatedBar = m_controls.Get<QToolButton>(idc::NowCreatedBar);
    m_nowUpdatedBar = m_controls.Get<QToolButton>(idc::NowUpdatedBar);
    m_chkTopMost = m_controls.Get<QPushButton>(idc::TopMost);

    connect(m_controls.Get<QCheckBox>(idc::SetCreated), &QCheckBox::clicked, this, &CMainDlg::OnCheckCreated);
    connect(m_controls.Get<QCheckBox>(idc::SetUpdated), &QCheckBox::clicked, this, &CMainDlg::OnCheckUpdated);
    connect(m_controls.Get<QCheckBox>(idc::SetAttributes), &QCheckBox::clicked, this,
            &CMainDlg::OnCheckAttributes);
    connect(m_chkTopMost, &QPushButton::clicked, this, &CMainDlg::OnTopMost);
    connect(m_nowCreatedBar, &QToolButton::clicked, this, &CMainDlg::OnNowCreated);
    connect(m_nowUpdatedBar, &QToolButton::clicked, this, &CMainDlg::OnNowUpdated);
    connect(m_btnExit, &QPushButton::clicked, this, &CMainDlg::OnExit);
    connect(m_btnUpdate, &QPushButton::clicked, this, &CMainDlg::OnUpdate);
    connect(m_btnAddFiles, &QPushButton::clicked, this, &CMainDlg::OnAddFiles);
    connect(m_btnAddFolder, &QPushButton::clicked, this, &CMainDlg::OnAddFolder);
    connect(m_btnDelete, &QPushButton::clicked, this, &CMainDlg::OnDelete);
    connect(m_btnRefresh, &QPushButton::clicked, this, &CMainDlg::OnRefresh);
    connect(m_btnSelectAll, &QPushButton::clicked, this, &CMainDlg::OnSelectAll);
    connect(m_list, &QAbstractItemView::doubleClicked, this, &CMainDlg::OnListDblClk);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_list, &QWidget::customContextMenuRequested, this, &CMainDlg::OnListRClick);
    m_list->installEventFilter(this);
    auto* systemMenuKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
    connect(systemMenuKey, &QShortcut::activated, this,
            [this] { ShowSystemMenu(mapToGlobal(QPoint(0, 0))); });
    m_versionUrl = QString::fromUtf8(VERSION_URL);
}

void CMainDlg::OnInitDialog() {
    setWindowIcon(QGuiApplication::windowIcon());

    for (int id = 130; id <= 135; ++id) {
        m_menuImages.Append(QStringLiteral(":/images/menu%1.png").arg(id), 16, kMaskRed);
    }

    CImageList faces;
    for (int id = 136; id <= 139; ++id) {
        faces.Append(QStringLiteral(":/images/face%1.png").arg(id), 85, kMaskRed);
    }
    QPushButton* const faced[] = {m_btnAddFiles, m_btnAddFolder, m_btnDelete, m_btnUpdate};
    for (int i = 0; i < 4 && i < faces.GetImageCount(); ++i) {
        ShowFace(faced[i], faces.Pixmap(i));
    }

    m_nowImages.Create(QStringLiteral(":/images/clock140.png"), 16, kMaskRed);
    for (QToolButton* bar : {m_nowCreatedBar, m_nowUpdatedBar}) {
        if (m_nowImages.GetImageCount() > 0) {
            bar->setIcon(m_nowImages.Icon(0));
            bar->setIconSize(m_nowImages.ImageSize());
        }
    }

    auto* pickerStyle = new PickerStyle(style()->name());
    pickerStyle->setParent(this);
    const QFont pickerFont = PickerStyle::PickerFont(font());
    for (QDateTimeEdit* picker :
         {static_cast<QDateTimeEdit*>(m_dtpCreatedDate), static_cast<QDateTimeEdit*>(m_dtpCreatedTime),
          static_cast<QDateTimeEdit*>(m_dtpUpdatedDate), static_cast<QDateTimeEdit*>(m_dtpUpdatedTime)}) {
        picker->setStyle(pickerStyle);
        picker->setFont(pickerFont);
    }
    for (QDateEdit* date : {m_dtpCreatedDate, m_dtpUpdatedDate}) {
        date->setDisplayFormat(QStringLiteral("yyyy年MM月dd日"));
    }
    for (QTimeEdit* time : {m_dtpCreatedTime, m_dtpUpdatedTime}) {
        time->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    }

    InitLayout();
    m_controls.Item(idc::SetCreated)->setFocus();
}

void CMainDlg::InitLayout() {
    m_minTrackWidth = width();
    m_minTrackHeight = height();
    setMinimumSize(m_minTrackWidth, m_minTrackHeight);
    m_layout.Attach(this);
    m_layout.AddControl(m_list, LAYOUT_SIZE_X | LAYOUT_SIZE_Y);
    for (QWidget* w : {m_btnAddFiles, m_btnAddFolder, m_btnDelete, m_btnRefresh, m_btnSelectAll}) {
        m_layout.AddControl(w, LAYOUT_MOVE_Y);
    }
    m_layout.AddControl(m_btnUpdate, LAYOUT_MOVE_X | LAYOUT_MOVE_Y);
    m_layout.AddControl(m_btnExit, LAYOUT_MOVE_X | LAYOUT_MOVE_Y);
    m_layout.AddControl(m_chkTopMost, LAYOUT_MOVE_Y);

    m_bSubFolder = m_bFolderTarget = m_bShowResult = 1;
    m_bSetCreated = 1;
    m_bSetUpdated = 1;
    m_bSetAttributes = 0;
    UpdateData(false);
    ApplyEnabling();
    LoadSettings();
}

void CMainDlg::UpdateData(bool saveAndValidate) {
    const std::pair<int, int*> boxes[] = {
        {idc::SetCreated, &m_bSetCreated},       {idc::SetUpdated, &m_bSetUpdated},
        {idc::SetAttributes, &m_bSetAttributes}, {idc::SubFolder, &m_bSubFolder},
        {idc::FolderTarget, &m_bFolderTarget},   {idc::ShowResult, &m_bShowResult},
    };
    for (const auto& [id, member] : boxes) {
        auto* box = m_controls.Get<QCheckBox>(id);
        if (saveAndValidate) {
            *member = box->isChecked() ? 1 : 0;
        } else {
            box->setChecked(*member != 0);
        }
    }
}

void CMainDlg::ApplyEnabling() {
    m_dtpCreatedDate->setEnabled(m_bSetCreated != 0);
    m_dtpCreatedTime->setEnabled(m_bSetCreated != 0);
    m_dtpUpdatedDate->setEnabled(m_bSetUpdated != 0);
    m_dtpUpdatedTime->setEnabled(m_bSetUpdated != 0);
    for (QCheckBox* box : {m_chkReadOnly, m_chkHidden, m_chkArchive}) {
        box->setEnabled(m_bSetAttributes != 0);
    }
}

void CMainDlg::LoadSettings() {
    AppSettings defaults;
    defaults.window = kNoPlacement;
    const AppSettings s = ReadSettings(m_profile, defaults);
    RestorePlacement(*this, s.window, QSize(m_minTrackWidth, m_minTrackHeight), Unplaced::TopLeft);
    m_list->InsertColumns(s.columnWidth);
    m_list->SetColumnOrder(s.columnOrder);
    m_bSetCreated = s.setCreated ? 1 : 0;
    m_bSetUpdated = s.setUpdated ? 1 : 0;
    SetDate(m_dtpCreatedDate, s.createdDate);
    SetTime(m_dtpCreatedTime, s.createdTime);
    SetDate(m_dtpUpdatedDate, s.updatedDate);
    SetTime(m_dtpUpdatedTime, s.updatedTime);
    m_bSetAttributes = s.setAttributes ? 1 : 0;
    m_chkReadOnly->setChecked(s.readOnly);
    m_chkHidden->setChecked(s.hidden);
    m_chkArchive->setChecked(s.archive);
    m_bSubFolder = s.subFolder ? 1 : 0;
    m_bFolderTarget = s.folderTarget ? 1 : 0;
    m_bShowResult = s.showResult ? 1 : 0;
    UpdateData(false);
    ApplyEnabling();
    m_list->m_sortFlags = s.sortFlags;
    m_list->m_sortColumn = s.sortColumn;
    CImageList arrows;
    arrows.Create(QStringLiteral(":/images/arrows141.png"), 5, kMaskWhite);
    m_list->SetHeaderImages(arrows);
    m_list->ShowSortArrow();
}

void CMainDlg::SaveSettings() {
    m_saved = true;
    UpdateData(true);
    AppSettings s;
    s.window = NormalPlacement(*this);
    s.columnWidth = m_list->GetColumnWidths();
    s.columnOrder = m_list->GetColumnOrder();
    s.setCreated = m_bSetCreated != 0;
    s.setUpdated = m_bSetUpdated != 0;
    s.createdDate = DateOf(m_dtpCreatedDate);
    s.createdTime = TimeOf(m_dtpCreatedTime);
    s.updatedDate = DateOf(m_dtpUpdatedDate);
    s.updatedTime = TimeOf(m_dtpUpdatedTime);
    s.setAttributes = m_bSetAttributes != 0;
    s.readOnly = m_chkReadOnly->isChecked();
    s.hidden = m_chkHidden->isChecked();
    s.archive = m_chkArchive->isChecked();
    s.subFolder = m_bSubFolder != 0;
    s.folderTarget = m_bFolderTarget != 0;
    s.showResult = m_bShowResult != 0;
    s.sortFlags = m_list->m_sortFlags;
    s.sortColumn = m_list->m_sortColumn;
    if (!WriteSettings(m_profile, s) && isVisible()) {
        // Said while the window is still there: otherwise the choices would be lost unseen.
        m_prompts->MessageBox(
            this,
            QStringLiteral("設定を保存できませんでした。\n%1\n%2")
                .arg(QFile::decodeName(QByteArray::fromStdString(m_profile.Path())),
                     QString::fromStdString(platform::ErrorText(m_profile.LastWriteError()))),
            QStringLiteral("Datemark"), win32::mb::IconExclamation);
    }
}

void CMainDlg::OnCheckCreated() {
    UpdateData(true);
    ApplyEnabling();
    UpdateData(false);
}

void CMainDlg::OnCheckUpdated() {
    UpdateData(true);
    ApplyEnabling();
    UpdateData(false);
}

void CMainDlg::OnCheckAttributes() {
    UpdateData(true);
    ApplyEnabling();
}

void CMainDlg::OnTopMost() {
    // setWindowFlag would re-create the native window, hiding it on the way, and a modal dialog
    // that is hidden ends its loop: the program would quit. The window system is told directly.
    Qt::WindowFlags flags = windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, m_chkTopMost->isChecked());
    overrideWindowFlags(flags);
    if (QWindow* window = windowHandle()) {
        window->setFlags(flags);
    }
}

void CMainDlg::OnNowCreated() {
    SetToNow(m_dtpCreatedDate, m_dtpCreatedTime);
}

void CMainDlg::OnNowUpdated() {
    SetToNow(m_dtpUpdatedDate, m_dtpUpdatedTime);
}

void CMainDlg::SetToNow(QDateEdit* date, QTimeEdit* time) {
    const QDateTime now = QDateTime::currentDateTime();
    date->setDate(now.date());
    time->setTime(now.time());
}

void CMainDlg::OnExit() {
    done(win32::id::Cancel);
}

namespace {

// The date of one picker with the time of day of the other, milliseconds 0.
SYSTEMTIME PickedTime(const QDateEdit* date, const QTimeEdit* time) {
    const QDate d = date->date();
    const QTime t = time->time();
    SYSTEMTIME st{};
    st.wYear = static_cast<uint16_t>(d.year());
    st.wMonth = static_cast<uint16_t>(d.month());
    st.wDayOfWeek = static_cast<uint16_t>(d.dayOfWeek() % 7);
    st.wDay = static_cast<uint16_t>(d.day());
    st.wHour = static_cast<uint16_t>(t.hour());
    st.wMinute = static_cast<uint16_t>(t.minute());
    st.wSecond = static_cast<uint16_t>(t.second());
    return st;
}

// While a run goes on: the controls given disabled (those that were enabled, so that they come
// back as they were), the busy cursor over the window, and the focus given back at the end.
class RunningState {
public:
    RunningState(QWidget* window, const std::vector<QWidget*>& controls) : m_window(window) {
        m_focus = window->focusWidget();
        for (QWidget* control : controls) {
            if (control->isEnabled()) {
                control->setEnabled(false);
                m_disabled.push_back(control);
            }
        }
        m_window->setCursor(Qt::BusyCursor);
    }
    ~RunningState() {
        m_window->unsetCursor();
        for (QWidget* control : m_disabled) {
            control->setEnabled(true);
        }
        if (m_focus && m_focus->isEnabled()) {
            m_focus->setFocus();
        }
    }
    RunningState(const RunningState&) = delete;
    RunningState& operator=(const RunningState&) = delete;

private:
    QWidget* m_window;
    QPointer<QWidget> m_focus;
    std::vector<QWidget*> m_disabled;
};

std::vector<const FileEntry*> EntriesOf(const CFileListCtrl& list, const std::vector<int>& rows) {
    std::vector<const FileEntry*> entries;
    entries.reserve(rows.size());
    for (const int row : rows) {
        entries.push_back(list.GetEntry(row));
    }
    return entries;
}

// The list's redrawing is off for the life of the object.
class NoRedraw {
public:
    explicit NoRedraw(QWidget* widget) : m_widget(widget) { m_widget->setUpdatesEnabled(false); }
    ~NoRedraw() { m_widget->setUpdatesEnabled(true); }
    NoRedraw(const NoRedraw&) = delete;
    NoRedraw& operator=(const NoRedraw&) = delete;

private:
    QWidget* m_widget;
};

} // namespace

bool CMainDlg::MakeRequest(const QString& caption, std::vector<int>& rows, ApplyRequest& request) {
    if (m_run != nullptr) {
        return false; // one run at a time
    }
    UpdateData(true);
    rows = m_list->GetSelectedRows();
    if (rows.empty()) {
        m_prompts->MessageBox(this, QStringLiteral("更新対象を選択してください。"), caption,
                              win32::mb::IconExclamation);
        return false;
    }
    if (m_bSetCreated == 0 && m_bSetUpdated == 0 && m_bSetAttributes == 0) {
        m_prompts->MessageBox(this, QStringLiteral("更新処理を選択してください。"), caption,
                              win32::mb::IconExclamation);
        return false;
    }
    request.setCreated = m_bSetCreated;
    request.setUpdated = m_bSetUpdated;
    request.setAttributes = m_bSetAttributes;
    if (request.setCreated != 0) {
        request.created = PickedTime(m_dtpCreatedDate, m_dtpCreatedTime);
    }
    if (request.setUpdated != 0) {
        request.updated = PickedTime(m_dtpUpdatedDate, m_dtpUpdatedTime);
    }
    if (request.setAttributes != 0) {
        request.readOnly = m_chkReadOnly->isChecked() ? 1 : 0;
        request.hidden = m_chkHidden->isChecked() ? 1 : 0;
        request.archive = m_chkArchive->isChecked() ? 1 : 0;
    }
    request.subFolder = m_bSubFolder;
    request.folderTarget = m_bFolderTarget;
    request.showResult = m_bShowResult;
    return true;
}

void CMainDlg::OnUpdate() {
    emit updateRequested();
    std::vector<int> rows;
    ApplyRequest request;
    if (!MakeRequest(QStringLiteral("更新"), rows, request)) {
        return;
    }
    // Without a journal the run could not be undone: it does not start.
    std::error_code error;
    const std::unique_ptr<journal::Writer> writer = StartRunJournal(request, journal::DefaultFolder(), error);
    if (!writer) {
        m_prompts->MessageBox(this,
                              QStringLiteral("元に戻すための記録を書けないため、更新しませんでした。\n") +
                                  QString::fromStdString(platform::ErrorText(error)),
                              QStringLiteral("更新"), win32::mb::IconStop);
        return;
    }
    const std::vector<const FileEntry*> entries = EntriesOf(*m_list, rows);
    // Each row is read again right after its change, as the list shows it afterwards.
    std::vector<RowFacts> facts(rows.size());
    size_t begun = 0;
    const bool windowStays = RunInBackground(QStringLiteral("更新中"), [&](RunControl& control) {
        request.control = &control;
        RowFactsReader reader;
        begun = ApplyToEntries(entries, request, [&](size_t i) { facts[i] = reader.Look(*entries[i]); });
    });
    request.control = nullptr;
    if (const std::error_code ended = FinishRunJournal(*writer, request)) {
        request.log += MakeErrorText(writer->Name(), ended);
    }
    if (!windowStays) {
        return;
    }
    facts.resize(begun);
    m_list->RefreshRows(rows, facts);
    if (request.showResult == 0) {
        return;
    }
    if (request.log.empty()) {
        m_prompts->MessageBox(this, QStringLiteral("正常に終了しました。"), QStringLiteral("結果"),
                              win32::mb::IconInformation);
    } else if (m_prompts->ShowResults(request.log, m_profile, writer->Added() > 0)) {
        UndoRunNamed(writer->Name());
    }
}

void CMainDlg::OnPreview() {
    std::vector<int> rows;
    ApplyRequest request;
    if (!MakeRequest(QStringLiteral("プレビュー"), rows, request)) {
        return;
    }
    const std::vector<const FileEntry*> entries = EntriesOf(*m_list, rows);
    PreviewSink sink;
    request.preview = &sink;
    if (!RunInBackground(QStringLiteral("プレビュー中"), [&](RunControl& control) {
            request.control = &control;
            ApplyToEntries(entries, request);
        })) {
        return;
    }
    if (m_prompts->ShowPreview(this, std::move(sink), m_profile, PreviewOf::Update)) {
        OnUpdate();
    }
}

void CMainDlg::OnUndo() {
    const RunChoice choice = m_prompts->ChooseRun(this, ReadKeptRuns(journal::DefaultFolder()));
    if (!choice.name.empty() && (!choice.preview || PreviewUndo(choice.name))) {
        UndoRunNamed(choice.name);
    }
}

// Runs the undo of the named run on the worker, as a preview when one is given; false as for
// RunInBackground, or when the undo could not start (a message box says why).
bool CMainDlg::RunUndo(const std::string& name, UndoRequest& request, PreviewSink* preview) {
    request.folder = journal::DefaultFolder();
    request.preview = preview;
    std::error_code error;
    if (!RunInBackground(preview != nullptr ? QStringLiteral("プレビュー中") : QStringLiteral("元に戻し中"),
                         [&](RunControl& control) {
                             request.control = &control;
                             error = UndoRun(name, request);
                         })) {
        return false;
    }
    request.control = nullptr;
    if (error) {
        m_prompts->MessageBox(this, QString::fromStdString(platform::ErrorText(error)),
                              QStringLiteral("元に戻す"), win32::mb::IconStop);
        return false;
    }
    return true;
}

bool CMainDlg::PreviewUndo(const std::string& name) {
    UndoRequest request;
    PreviewSink sink;
    return RunUndo(name, request, &sink) &&
           m_prompts->ShowPreview(this, std::move(sink), m_profile, PreviewOf::Undo);
}

void CMainDlg::UndoRunNamed(const std::string& name) {
    UndoRequest request;
    if (!RunUndo(name, request, nullptr)) {
        return;
    }
    OnRefresh(); // the rows show what the undo put back
    if (request.log.empty()) {
        m_prompts->MessageBox(this, QStringLiteral("元に戻しました。"), QStringLiteral("元に戻す"),
                              win32::mb::IconInformation);
    } else if (m_prompts->ShowResults(request.log, m_profile, request.restored > 0) &&
               !request.journalName.empty()) {
        UndoRunNamed(request.journalName);
    }
}

void CMainDlg::AddPaths(const std::vector<std::string>& paths) {
    std::vector<std::unique_ptr<FileEntry>> entries;
    std::vector<const FileEntry*> rows;
    entries.reserve(paths.size());
    rows.reserve(paths.size());
    for (const std::string& path : paths) {
        entries.push_back(std::make_unique<FileEntry>());
        entries.back()->SetPath(path);
        rows.push_back(entries.back().get());
    }
    std::vector<RowFacts> facts;
    if (!RunInBackground(QStringLiteral("追加中"),
                         [&](RunControl& control) { facts = LookAtRows(rows, &control); })) {
        return;
    }
    m_list->InsertEntries(std::move(entries), facts);
    m_list->SortItems();
}

bool CMainDlg::RunInBackground(const QString& caption, const std::function<void(RunControl&)>& job) {
    if (m_run != nullptr) {
        return false; // one run at a time, whatever reaches a command meanwhile
    }
    {
        std::vector<QWidget*> controls = {m_nowCreatedBar, m_nowUpdatedBar};
        // Everything from the first check box to the update button; 終了 and 常に手前 stay.
        for (int id = idc::SetCreated; id <= idc::Update; ++id) {
            controls.push_back(GetDlgItem(id));
        }
        const RunningState running(this, controls);
        BackgroundRun run(this, caption);
        m_run = &run;
        run.Run(job);
        m_run = nullptr;
    }
    if (m_doneAfterRun) {
        done(*std::exchange(m_doneAfterRun, std::nullopt));
        return false;
    }
    return true;
}

void CMainDlg::OnAddFiles() {
    if (const auto files = m_prompts->ChooseFiles(this)) {
        AddPaths(*files);
    }
}

void CMainDlg::OnAddFolder() {
    CFolderBrowser browser(BIF_NEWDIALOGSTYLE, "フォルダを選択して下さい", CSIDL_DESKTOP,
                           m_prompts->FolderDialog());
    browser.SetOwner(this);
    if (browser.Browse(m_lastFolder) != 1) {
        return;
    }
    std::string chosen;
    browser.GetResult(chosen, 1);
    AddPaths({chosen});
    FileEntry chosenEntry;
    chosenEntry.SetPath(chosen);
    m_lastFolder = chosenEntry.GetFolder();
}

void CMainDlg::SelectAndFocus(int row) {
    const QModelIndex index = m_list->model()->index(row, 0);
    m_list->selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    m_list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
}

void CMainDlg::OnDelete() {
    const std::vector<int> rows = m_list->GetSelectedRows();
    if (rows.empty()) {
        return;
    }
    const NoRedraw noRedraw(m_list);
    const int lowest = rows.front();
    m_list->DeleteRows(rows);
    if (lowest > 0) {
        SelectAndFocus(lowest - 1);
    } else if (m_list->GetItemCount() > 0) {
        SelectAndFocus(0);
    }
}

void CMainDlg::OnRefresh() {
    std::vector<int> rows(static_cast<size_t>(m_list->GetItemCount()));
    std::iota(rows.begin(), rows.end(), 0);
    const std::vector<const FileEntry*> entries = EntriesOf(*m_list, rows);
    std::vector<RowFacts> facts;
    if (!RunInBackground(QStringLiteral("最新情報を取得中"),
                         [&](RunControl& control) { facts = LookAtRows(entries, &control); })) {
        return;
    }
    const NoRedraw noRedraw(m_list);
    m_list->RefreshRows(rows, facts);
    m_list->SortItems();
}

void CMainDlg::OnSelectAll() {
    const QModelIndex current = m_list->currentIndex();
    m_list->selectAll();
    m_list->selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
}

int CMainDlg::FocusedRow() const {
    const QModelIndex current = m_list->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void CMainDlg::OnExplorer() {
    if (const FileEntry* entry = m_list->GetEntry(FocusedRow())) {
        m_prompts->Reveal(this, entry->GetPath());
    }
}

void CMainDlg::OnProperties() {
    if (const FileEntry* entry = m_list->GetEntry(FocusedRow())) {
        m_prompts->ShowProperties(this, entry->GetPath());
    }
}

void CMainDlg::OnListDblClk(const QModelIndex& index) {
    if (!index.isValid()) {
        return;
    }
    if (m_prompts->MessageBox(this, QStringLiteral("更新します。よろしいですか？"), QStringLiteral("更新"),
                              win32::mb::YesNo | win32::mb::IconQuestion) == win32::id::Yes) {
        OnUpdate();
    }
}

void CMainDlg::OnListRClick(const QPoint& position) {
    const QPoint screen = m_list->viewport()->mapToGlobal(position);
    const bool onRow = m_list->indexAt(position).isValid();
    if (!m_contextMenu.Load(IDR_CONTEXT_MENU)) {
        return;
    }
    const std::pair<unsigned, int> images[] = {{idc::AddFiles, 0},   {idc::AddFolder, 1}, {idc::Delete, 2},
                                               {idc::Properties, 3}, {idc::Explorer, 4},  {idc::Update, 5}};
    for (const auto& [command, image] : images) {
        m_contextMenu.ModifyOwnerDrawItemA(nullptr, command, &m_menuImages, image);
    }
    unsigned chosen = 0;
    if (CMenu* popup = m_contextMenu.GetSubMenu(0)) {
        popup->SetMenuDefaultItem(idc::Update, /*byPosition=*/false);
        if (!onRow) {
            for (const unsigned command : {idc::Update, idc::Delete, idc::Explorer, idc::Properties}) {
                popup->EnableMenuItem(command, win32::mf::Grayed);
            }
        }
        chosen = popup->TrackPopupMenu(screen);
    }
    m_contextMenu.DestroyMenu();
    if (chosen != 0) {
        // As a posted command: it runs once the menu is gone.
        QMetaObject::invokeMethod(
            this, [this, chosen] { OnCommand(chosen); }, Qt::QueuedConnection);
    }
}

void CMainDlg::OnCommand(unsigned id) {
    switch (id) {
    case idc::Update:
        OnUpdate();
        break;
    case idc::AddFiles:
        OnAddFiles();
        break;
    case idc::AddFolder:
        OnAddFolder();
        break;
    case idc::Delete:
        OnDelete();
        break;
    case idc::Explorer:
        OnExplorer();
        break;
    case idc::Properties:
        OnProperties();
        break;
    default:
        break;
    }
}

void CMainDlg::ShowSystemMenu(const QPoint& screenPosition) {
    using namespace win32;
    CMenu menu;
    menu.CreatePopupMenu();
    menu.Append(mf::String, sc::Minimize, QStringLiteral("最小化(&N)"));
    menu.Append(mf::String, sc::Close, QStringLiteral("閉じる(&C)\tAlt+F4"));
    if (const std::string about = ResourceString(IDS_ABOUTBOX); !about.empty()) {
        menu.Append(mf::Separator, 0, {});
        menu.Append(mf::String, IDM_ABOUTBOX, QString::fromStdString(about));
    }
    if (const std::string check = ResourceString(IDS_VERSIONCHECK); !check.empty()) {
        menu.Append(mf::String, IDM_VERSIONCHECK, QString::fromStdString(check));
    }
    // A run in progress owns the list and the journals.
    const unsigned duringRun = m_run != nullptr ? mf::Grayed : 0U;
    menu.Append(mf::Separator, 0, {});
    menu.Append(mf::String | duringRun, IDM_UNDO, QStringLiteral("元に戻す"));
    menu.Append(mf::String | duringRun, IDM_PREVIEW, QStringLiteral("プレビュー"));
    const unsigned chosen = menu.TrackPopupMenu(screenPosition);
    if (chosen != 0) {
        QMetaObject::invokeMethod(
            this, [this, chosen] { OnSysCommand(chosen); }, Qt::QueuedConnection);
    }
}

void CMainDlg::OnSysCommand(unsigned id) {
    switch (id & 0xFFF0) {
    case IDM_ABOUTBOX:
        m_prompts->ShowAbout(this);
        break;
    case IDM_VERSIONCHECK:
        StartVersionCheck();
        break;
    case IDM_UNDO:
        OnUndo();
        break;
    case IDM_PREVIEW:
        OnPreview();
        break;
    case win32::sc::Close:
        done(win32::id::Cancel);
        break;
    case win32::sc::Minimize:
        showMinimized();
        break;
    default:
        break;
    }
}

void CMainDlg::contextMenuEvent(QContextMenuEvent* event) {
    // Only the free background: the controls on it have menus of their own or none.
    if (childAt(event->pos()) == nullptr) {
        ShowSystemMenu(event->globalPos());
        event->accept();
    }
}

void CMainDlg::SetVersionSource(const QString& url, int timeoutMs) {
    m_versionUrl = url;
    m_versionTimeoutMs = timeoutMs;
}

void CMainDlg::StartVersionCheck() {
    VersionCheckJob job;
    job.url = m_versionUrl;
    job.timeoutMs = m_versionTimeoutMs;
    job.failed = [this](const QString& error) {
        const std::lock_guard lock(PendingMessageLock());
        SendShowMessage(error.isEmpty() ? QString::fromUtf8(kCheckFailedText) : error,
                        QString::fromUtf8(kVersionCheckCaption), win32::mb::IconStop);
    };
    job.parse = [this](const QByteArray& body) { ParseVersionText(body.constData()); };
    m_versionChecks.Start(std::move(job));
}

void CMainDlg::SendShowMessage(const QString& text, const QString& caption, unsigned type) {
    g_pendingText = text;
    g_pendingCaption = caption;
    g_pendingType = type;
    QMetaObject::invokeMethod(this, &CMainDlg::OnShowMessage, Qt::BlockingQueuedConnection);
}

int CMainDlg::OnShowMessage() {
    if (!m_closing) {
        m_prompts->MessageBox(this, g_pendingText, g_pendingCaption, g_pendingType);
    }
    return 1;
}

void CMainDlg::ParseVersionText(const char* text) {
    const VersionOutcome outcome = ParseVersionFile(text);
    const std::lock_guard lock(PendingMessageLock());
    if (outcome.version.empty()) {
        SendShowMessage(QString::fromUtf8(kNoUpgradeText), QString::fromUtf8(kVersionCheckCaption),
                        win32::mb::IconInformation);
        return;
    }
    const QString message = QString::fromStdString(NewerVersionMessage(outcome));
    QMetaObject::invokeMethod(
        this,
        [this, message] {
            if (!m_closing) {
                m_prompts->ShowNewVersion(this, message);
            }
        },
        Qt::BlockingQueuedConnection);
}

QString CMainDlg::NewerVersionText(const QString& remote) {
    return QString::fromStdString(::NewerVersionText(remote.toStdString()));
}

namespace {

// The local paths among dropped URLs, their bytes as the file system has them.
std::vector<std::string> LocalPaths(const QMimeData* data) {
    std::vector<std::string> paths;
    if (data == nullptr || !data->hasUrls()) {
        return paths;
    }
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) {
            paths.push_back(LocalPathBytes(url.toLocalFile()));
        }
    }
    return paths;
}

} // namespace

void CMainDlg::dragEnterEvent(QDragEnterEvent* event) {
    if (m_run == nullptr && event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void CMainDlg::dragMoveEvent(QDragMoveEvent* event) {
    if (m_run == nullptr && event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void CMainDlg::dropEvent(QDropEvent* event) {
    if (m_run != nullptr) { // one run at a time
        return;
    }
    AddPaths(LocalPaths(event->mimeData()));
    event->acceptProposedAction();
}

bool CMainDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        OnDelete();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void CMainDlg::done(int result) {
    if (m_run != nullptr) {
        // Nothing is left half-done and no worker outlives the window: the run stops between
        // two items, and the window closes, saving its settings, once the worker has ended.
        m_doneAfterRun = result;
        m_run->Cancel();
        return;
    }
    if (!m_saved) {
        SaveSettings();
    }
    QDialog::done(result);
}

void CMainDlg::closeEvent(QCloseEvent* event) {
    // The close box, Alt+F4 and the window menu's Close all end the program; during a run the
    // window stays until the run has stopped.
    event->setAccepted(m_run == nullptr);
    done(win32::id::Cancel);
}

void CMainDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    m_layout.Relayout();
}
