#include "CDlgRecHistory.h"

#include <QDateTime>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace ovento {

CDlgRecHistory::CDlgRecHistory(QWidget* parent)
    : QDialog(parent, Qt::Tool), m_tree(new QTreeWidget(this))
{
    setWindowTitle(QStringLiteral("History"));
    m_tree->setObjectName(QStringLiteral("1015"));
    m_tree->setColumnCount(3);
    m_tree->setHeaderHidden(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tree);
    resize(398, 240);
    UpdateCounts();
}

void CDlgRecHistory::AddRecordToTree(const RecordInfo& record)
{
    m_records.push_back(record);
    const QDateTime start = QDateTime::fromSecsSinceEpoch(record.strTime.toLongLong());
    auto* row = new QTreeWidgetItem(m_tree);
    row->setText(0, record.strName);
    row->setText(1, start.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
    row->setText(2, QStringLiteral("%1 s").arg(record.nDuration));
}

void CDlgRecHistory::UpdateCounts()
{
    m_nTotal = static_cast<int>(m_records.size());
    m_nNew = static_cast<int>(std::count_if(m_records.begin(), m_records.end(),
                                            [](const RecordInfo& r) { return r.bNew; }));
    m_tree->setHeaderLabels(
        {QStringLiteral("Total %1 records").arg(m_nTotal), QStringLiteral("%1 new").arg(m_nNew)});
}

} // namespace ovento
