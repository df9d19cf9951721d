#pragma once
// An up-down control: two small arrow buttons that step an integer position
// within a range and write it into their buddy, the edit field just before
// them in the dialog template. The up arrow and the Up key in the buddy add
// one, the down arrow and the Down key take one away; at the ends of the
// range the position wraps round to the other end, or stops there.

#include <QWidget>

#include <functional>

class QLineEdit;
class QToolButton;

namespace zel {

class CSpinButton : public QWidget {
public:
    explicit CSpinButton(QWidget* parent = nullptr);

    void SetRange(int lower, int upper);
    int GetLower() const { return m_nLower; }
    int GetUpper() const { return m_nUpper; }
    void SetPos(int position);
    int GetPos() const { return m_nPos; }
    void SetWrap(bool wrap) { m_bWrap = wrap; }
    // The edit that shows the position; its Up and Down keys step too.
    void SetBuddy(QLineEdit* buddy);
    QLineEdit* GetBuddy() const { return m_pBuddy; }

    // Told of a step before it is applied (delta +1 or -1); it may set the
    // position the step starts from.
    void SetDeltaPosHandler(std::function<void(int delta)> handler) { m_OnDeltaPos = std::move(handler); }
    // One step, as a click on an arrow makes it: the handler, then the new
    // position into the buddy.
    void Step(int delta);

    QToolButton* UpButton() const { return m_pUp; }
    QToolButton* DownButton() const { return m_pDown; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QToolButton* m_pUp;
    QToolButton* m_pDown;
    QLineEdit* m_pBuddy = nullptr;
    std::function<void(int)> m_OnDeltaPos;
    int m_nLower = 0;
    int m_nUpper = 100;
    int m_nPos = 0;
    bool m_bWrap = false;
};

} // namespace zel
