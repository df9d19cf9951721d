#pragma once
// A list box that shows the lines of a text record: a view over the lines,
// not a copy of them. Handing it a record of any length is one step (the view
// asks only for the lines in sight), so a search log of many thousand lines
// opens at once and the window keeps repainting.

#include "platform/core/TextRecord.h"

#include <QAbstractListModel>
#include <QListView>

namespace zel {

class CTextRecordModel : public QAbstractListModel {
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    // The record is read, never changed, and must outlive the model (or be
    // replaced before it goes).
    void SetRecord(const CTextRecord* record);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    const CTextRecord* m_pRecord = nullptr;
};

class CLineListView : public QListView {
    Q_OBJECT

public:
    explicit CLineListView(QWidget* parent = nullptr);

    void SetRecord(const CTextRecord* record);
    const CTextRecord* Record() const { return m_pRecord; }

protected:
    void changeEvent(QEvent* event) override;

private:
    // Every line is one text line of the view's font; the widest sets the
    // horizontal scroll range.
    void UpdateLineSize();

    CTextRecordModel m_model;
    const CTextRecord* m_pRecord = nullptr;
};

} // namespace zel
