#pragma once

#include "history/RecordInfo.h"

#include <QDialog>
#include <vector>

class QTreeWidget;

namespace ovento {

// The history window docked below the main window: every finished recording with a summary of
// how many there are and how many were not played yet.
class CDlgRecHistory : public QDialog
{
    Q_OBJECT
public:
    explicit CDlgRecHistory(QWidget* parent);

    void AddRecordToTree(const RecordInfo& record);
    void UpdateCounts();

    int GetTotalCount() const { return m_nTotal; }
    int GetNewCount() const { return m_nNew; }
    const std::vector<RecordInfo>& Records() const { return m_records; }

private:
    QTreeWidget* m_tree;
    std::vector<RecordInfo> m_records;
    int m_nTotal = 0;
    int m_nNew = 0;
};

} // namespace ovento
