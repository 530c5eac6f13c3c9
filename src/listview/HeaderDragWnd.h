#pragma once

#include <QRect>
#include <QWidget>

namespace hl {

class CFlatHeaderCtrl;

// The floating copy of a heading that follows the pointer while a column is dragged: a
// frameless tool window that never takes the focus or the pointer's events, showing the
// pressed item as the header draws it inside a raised frame of its own.
class CHeaderDragWnd : public QWidget {
    Q_OBJECT
public:
    CHeaderDragWnd();
    ~CHeaderDragWnd() override;

    // Places the (still hidden) window at `rect`, in global coordinates, for `header`'s
    // pressed item.
    bool Open(QRect rect, CFlatHeaderCtrl* header);
    virtual void PaintContent(QPainter& painter);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CFlatHeaderCtrl* m_pOwnerHeader = nullptr;
};

} // namespace hl
