#include "filelist/PreviewDlg.h"

#include "app/AppSettings.h"
#include "filelist/FileFacts.h"
#include "platform/Error.h"
#include "ui/WindowPlacement.h"

#include <QBrush>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>

namespace {

QString TimeText(const std::optional<platform::UtcTime>& time) {
    if (!time) {
        return {};
    }
    const std::optional<SYSTEMTIME> local = platform::UtcToLocal(*time);
    return local ? QString::fromStdString(FormatListTime(*local)) : QString();
}

// "now" alone when the run leaves it, "now → then" when it changes it.
template <typename T, typename Text>
QString Change(const std::optional<T>& now, const std::optional<T>& then, Text text) {
    if (!then || then == now) {
        return text(now);
    }
    return text(now) + QStringLiteral(" → ") + text(then);
}

QString AttributeText(const std::optional<uint32_t>& attributes) {
    return attributes ? QString::fromStdString(AttributeLetters(*attributes)) : QString();
}

// Whole seconds are what the list shows and the run writes.
std::optional<platform::UtcTime> ToSecond(std::optional<platform::UtcTime> time) {
    if (time) {
        time->nanoseconds = 0;
    }
    return time;
}

} // namespace

PreviewModel::PreviewModel(PreviewSink rows, QObject* parent)
    : QAbstractTableModel(parent), m_rows(std::move(rows)) {}

int PreviewModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.rows.size());
}

int PreviewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant PreviewModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const PreviewRow& row = m_rows.rows[static_cast<size_t>(index.row())];
    if (role == Qt::ForegroundRole) {
        return row.error ? QVariant(QBrush(Qt::red)) : QVariant();
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) {
        return {};
    }
    // A row the preview could not look at has only its path and its failure.
    const bool looked = row.current.id.Known();
    switch (index.column()) {
    case Path:
        return QString::fromUtf8(ShownPath(row.path));
    case Created:
        return looked ? Change(ToSecond(row.current.created), ToSecond(row.next.created), TimeText)
                      : QVariant();
    case Updated:
        return looked ? Change(ToSecond(std::optional(row.current.updated)), ToSecond(row.next.updated),
                               TimeText)
                      : QVariant();
    case Attributes:
        return looked ? Change(std::optional(row.current.attributes), row.next.attributes, AttributeText)
                      : QVariant();
    case Problem:
        return row.error ? QString::fromStdString(platform::ErrorText(row.error)) : QString();
    default:
        return {};
    }
}

QVariant PreviewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    static const char* const kTitles[kColumns] = {"名前", "作成日時", "更新日時", "属性", "結果"};
    return section >= 0 && section < kColumns ? QString::fromUtf8(kTitles[section]) : QVariant();
}

CPreviewDlg::CPreviewDlg(PreviewSink rows, platform::ProfileStore& profile, QWidget* parent, PreviewOf of)
    : QDialog(parent), m_profile(profile), m_model(std::move(rows)) {
    setWindowFlags(kDialogFrame | Qt::WindowMaximizeButtonHint);
    m_controls = DialogBuilder::Build(*this, PreviewDialogTemplate());
    m_minimum = size();
    setMinimumSize(m_minimum);
    m_list = m_controls.Get<QTreeView>(idc::PreviewList);
    m_totals = m_controls.Get<QLabel>(idc::PreviewTotals);
    m_btnUpdate = m_controls.Get<QPushButton>(idc::Update);
    m_btnClose = m_controls.Get<QPushButton>(idc::Close);
    if (of == PreviewOf::Undo) {
        m_btnUpdate->setText(QStringLiteral("元に戻す"));
    }
    m_list->setModel(&m_model);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true); // many rows: heights are not measured one by one
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setColumnWidth(PreviewModel::Path, 260);
    for (const int column : {PreviewModel::Created, PreviewModel::Updated}) {
        m_list->setColumnWidth(column, 250);
    }
    m_list->setColumnWidth(PreviewModel::Attributes, 90);
    m_totals->setText(TotalsText(m_model.Rows()));
    m_btnUpdate->setEnabled(!m_model.Rows().rows.empty());
    connect(m_btnUpdate, &QPushButton::clicked, this, [this] { done(idc::Update); });
    connect(m_btnClose, &QPushButton::clicked, this, &QDialog::reject);
}

CPreviewDlg::~CPreviewDlg() = default;

QString CPreviewDlg::TotalsText(const PreviewSink& rows) {
    return QStringLiteral("ファイル %1 件、フォルダ %2 件、失敗 %3 件")
        .arg(QString::fromStdString(GroupedNumber(rows.files)),
             QString::fromStdString(GroupedNumber(rows.folders)),
             QString::fromStdString(GroupedNumber(rows.failing)));
}

int CPreviewDlg::DoModal() {
    setWindowIcon(QGuiApplication::windowIcon());
    m_layout.Attach(this);
    m_layout.AddControl(m_list, LAYOUT_SIZE_X | LAYOUT_SIZE_Y);
    m_layout.AddControl(m_totals, LAYOUT_MOVE_Y | LAYOUT_SIZE_X);
    m_layout.AddControl(m_btnUpdate, LAYOUT_MOVE_X | LAYOUT_MOVE_Y);
    m_layout.AddControl(m_btnClose, LAYOUT_MOVE_X | LAYOUT_MOVE_Y);
    RestorePlacement(*this, ReadWindowRect(m_profile, "PreviewWindow", kNoPlacement), m_minimum,
                     Unplaced::Toolkit);
    m_initialised = true;
    m_list->setFocus();
    return exec();
}

void CPreviewDlg::done(int result) {
    if (m_initialised) {
        WriteWindowRect(m_profile, "PreviewWindow", NormalPlacement(*this));
    }
    QDialog::done(result);
}

void CPreviewDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    m_layout.Relayout();
}
