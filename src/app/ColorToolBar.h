#pragma once

#include "listview/ImageList.h"

#include <QSize>
#include <QString>
#include <QToolBar>
#include <vector>

class QAction;
class QToolButton;

namespace hl {

// One item of a toolbar as it reports it.
struct ToolbarButton {
    int idCommand = 0; // 0 for a separator
    int iBitmap = -1;  // the image index; -1 for a separator
    bool separator = false;
    QString text; // the label under the image
};

// The main window's button bar: flat buttons with true-colour images (a normal and a hot
// image list) and a text label under each image, all buttons the size of the largest. A
// clicked button reports its command id through Command().
class CColorToolBar : public QToolBar {
    Q_OBJECT
public:
    explicit CColorToolBar(QWidget* parent = nullptr);
    ~CColorToolBar() override;

    // Makes the bar a (still empty) child window of `parent` with this control id; false
    // without a parent.
    bool Create(QWidget* parent, int id);
    bool IsWindow() const { return m_bCreated; }
    // Hides the bar for good: it no longer counts as a window.
    void DestroyWindow();
    int ControlId() const { return m_nId; }

    // Loads the toolbar resource's buttons and separators and labels each button with the
    // last part of its command's string; sizes every button like the largest. False, with
    // nothing changed, when the resource does not exist or the bar has no window.
    bool LoadWithLabels(int resourceId);

    int GetButtonCount() const { return static_cast<int>(m_items.size()); }
    // The item at `index`; a default item outside the bar.
    ToolbarButton GetButton(int index) const;
    // The item's rectangle in the bar; empty outside it.
    QRect GetItemRect(int index) const;
    // The button widget at `index`; nullptr for a separator or outside the bar.
    QToolButton* GetButtonWidget(int index) const;
    bool SetButtonText(int index, const QString& text);
    // Every button `button` large with images of `image`.
    void SetSizes(QSize button, QSize image);
    QSize GetButtonSize() const { return m_buttonSize; }
    // The images shown normally and under the mouse, by each button's image index; the list
    // stays its owner's. Each returns the list set before.
    const ImageList* SetImageList(const ImageList* images);
    const ImageList* SetHotImageList(const ImageList* images);
    // Takes the height that its buttons need, keeping its width.
    void AutoSize();

    // The label and the tooltip that a command string "prompt\nlabel" gives: the last
    // non-empty part after a newline (the whole string without one), and the first part.
    static QString LabelOf(const char* text);
    static QString PromptOf(const char* text);

signals:
    void Command(int id);

private:
    struct Item {
        QAction* action = nullptr;
        ToolbarButton button;
    };

    void UpdateImages();

    bool m_bCreated = false;
    int m_nId = 0;
    std::vector<Item> m_items;
    QSize m_buttonSize;
    const ImageList* m_pImages = nullptr;
    const ImageList* m_pHotImages = nullptr;
};

} // namespace hl
