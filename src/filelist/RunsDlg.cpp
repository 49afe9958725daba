#include "filelist/RunsDlg.h"

#include "filelist/FileEntry.h"
#include "filelist/FileFacts.h"
#include "platform/Error.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTreeView>

namespace {

QString StartedText(const platform::UtcTime& started) {
    const std::optional<SYSTEMTIME> local = platform::UtcToLocal(started);
    return local ? QString::fromStdString(FormatListTime(*local)) : QString();
}

QString StateText(const KeptRun& run) {
    if (run.error) {
        return QString::fromStdString(platform::ErrorText(run.error));
    }
    if (!run.info.end) {
        return QStringLiteral("途中で終了");
    }
    return run.info.end->cancelled ? QStringLiteral("中止") : QString();
}

} // namespace

std::vector<KeptRun> ReadKeptRuns(const std::string& folder) {
    std::vector<KeptRun> runs;
    for (const std::string& name : journal::ListRuns(folder)) {
        KeptRun run;
        run.error = journal::ReadRunInfo(folder, name, run.info);
        run.info.name = name;
        runs.push_back(std::move(run));
    }
    return runs;
}

CRunsDlg::CRunsDlg(std::vector<KeptRun> runs, QWidget* parent) : QDialog(parent), m_runs(std::move(runs)) {
    setWindowFlags(kDialogFrame);
    m_controls = DialogBuilder::Build(*this, RunsDialogTemplate());
    m_btnPreview = m_controls.Get<QPushButton>(idc::RunPreview);
    m_btnUndo = m_controls.Get<QPushButton>(idc::Undo);
    m_btnCancel = m_controls.Get<QPushButton>(idc::Cancel);
    m_list = m_controls.Get<QTreeView>(idc::RunList);
    m_model.setHorizontalHeaderLabels(
        {QStringLiteral("日時"), QStringLiteral("内容"), QStringLiteral("項目"), QStringLiteral("状態")});
    for (const KeptRun& run : m_runs) {
        QString what = QString::fromStdString(run.info.header.summary);
        if (run.info.header.kind == journal::RunKind::Undo && what.isEmpty()) {
            what = QStringLiteral("元に戻す");
        }
        QList<QStandardItem*> cells = {
            new QStandardItem(run.error ? QString() : StartedText(run.info.header.started)),
            new QStandardItem(what),
            new QStandardItem(run.info.end ? QString::fromStdString(GroupedNumber(run.info.end->items))
                                           : QString()),
            new QStandardItem(StateText(run))};
        cells[2]->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        for (QStandardItem* cell : cells) {
            cell->setEditable(false);
            cell->setEnabled(!run.error);
        }
        m_model.appendRow(cells);
    }
    m_list->setModel(&m_model);
    m_list->setRootIsDecorated(false);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->header()->resizeSection(0, 130);
    m_list->header()->resizeSection(1, 250);
    for (size_t i = 0; i < m_runs.size(); ++i) {
        if (!m_runs[i].error) {
            m_list->setCurrentIndex(m_model.index(static_cast<int>(i), 0));
            break;
        }
    }
    const auto enable = [this] {
        const bool chosen = !Chosen().empty();
        m_btnUndo->setEnabled(chosen);
        m_btnPreview->setEnabled(chosen);
    };
    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this, enable);
    connect(m_list, &QTreeView::doubleClicked, this, [this] {
        if (!Chosen().empty()) {
            accept();
        }
    });
    connect(m_btnUndo, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_btnPreview, &QPushButton::clicked, this, [this] {
        m_previewAsked = true;
        accept();
    });
    connect(m_btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    enable();
}

CRunsDlg::~CRunsDlg() = default;

std::string CRunsDlg::Chosen() const {
    const int row = m_list->currentIndex().isValid() ? m_list->currentIndex().row() : -1;
    if (row < 0 || static_cast<size_t>(row) >= m_runs.size() || m_runs[static_cast<size_t>(row)].error) {
        return {};
    }
    return m_runs[static_cast<size_t>(row)].info.name;
}

RunChoice CRunsDlg::DoModal() {
    setWindowIcon(QGuiApplication::windowIcon());
    m_list->setFocus();
    m_previewAsked = false;
    if (exec() != QDialog::Accepted) {
        return {};
    }
    return {Chosen(), m_previewAsked};
}
