#include "platform/qt/LineList.h"

#include <QEvent>
#include <QFontMetrics>
#include <QStyledItemDelegate>

#include <algorithm>

namespace zel {

void CTextRecordModel::SetRecord(const CTextRecord* record) {
    beginResetModel();
    m_pRecord = record;
    endResetModel();
}

int CTextRecordModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !m_pRecord) return 0;
    return static_cast<int>(std::min<std::size_t>(m_pRecord->Size(), INT_MAX));
}

QVariant CTextRecordModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !m_pRecord || !index.isValid() || index.row() >= rowCount()) return {};
    return QString::fromStdString(m_pRecord->Lines()[static_cast<std::size_t>(index.row())]);
}

namespace {

// Every line has the size of the widest one, so the view lays out any number
// of them without measuring each.
class CUniformLineDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize lineSize;
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override { return lineSize; }
};

} // namespace

CLineListView::CLineListView(QWidget* parent) : QListView(parent) {
    setModel(&m_model);
    setItemDelegate(new CUniformLineDelegate(this));
    setUniformItemSizes(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::NoSelection);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    UpdateLineSize();
}

void CLineListView::SetRecord(const CTextRecord* record) {
    m_pRecord = record;
    m_model.SetRecord(record);
    UpdateLineSize();
}

void CLineListView::changeEvent(QEvent* event) {
    QListView::changeEvent(event);
    if (event->type() == QEvent::FontChange) UpdateLineSize();
}

void CLineListView::UpdateLineSize() {
    const QFontMetrics metrics(font());
    // The longest line by its characters; in the fixed-pitch fonts of records
    // that is the widest one.
    const std::string* longest = nullptr;
    if (m_pRecord) {
        for (const std::string& line : *m_pRecord)
            if (!longest || line.size() > longest->size()) longest = &line;
    }
    const int width = longest ? metrics.horizontalAdvance(QString::fromStdString(*longest)) : 0;
    const int margin = 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 2;
    static_cast<CUniformLineDelegate*>(itemDelegate())->lineSize = QSize(width + margin, metrics.height());
    doItemsLayout();
}

} // namespace zel
