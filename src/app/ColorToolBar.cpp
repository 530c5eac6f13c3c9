#include "app/ColorToolBar.h"

#include "resources/Strings.h"
#include "resources/Toolbars.h"

#include <QAction>
#include <QPixmap>
#include <QStringList>
#include <QToolButton>
#include <algorithm>

namespace hl {

CColorToolBar::CColorToolBar(QWidget* parent) : QToolBar(parent) {
    setMovable(false);
    setFloatable(false);
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
}

CColorToolBar::~CColorToolBar() = default;

bool CColorToolBar::Create(QWidget* parent, int id) {
    if (parent == nullptr) {
        return false;
    }
    setParent(parent);
    m_nId = id;
    m_bCreated = true;
    return true;
}

void CColorToolBar::DestroyWindow() {
    hide();
    m_bCreated = false;
}

QString CColorToolBar::LabelOf(const char* text) {
    if (text == nullptr) {
        return {};
    }
    // Runs of newlines count as one; an empty part at the end gives way to the one before.
    const QStringList parts = QString::fromUtf8(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return parts.isEmpty() ? QString() : parts.back();
}

QString CColorToolBar::PromptOf(const char* text) {
    if (text == nullptr) {
        return {};
    }
    return QString::fromUtf8(text).section(QLatin1Char('\n'), 0, 0);
}

bool CColorToolBar::LoadWithLabels(int resourceId) {
    const ToolbarResource* resource = FindToolbar(resourceId);
    if (resource == nullptr || !m_bCreated) {
        return false;
    }
    clear();
    m_items.clear();
    const QSize imageSize(resource->imageWidth, resource->imageHeight);
    setIconSize(imageSize);

    int image = 0;
    for (const int command : resource->items) {
        Item item;
        if (command == ID_SEPARATOR) {
            item.action = addSeparator();
            item.button.separator = true;
        } else {
            item.action = addAction(QString());
            item.button.idCommand = command;
            item.button.iBitmap = image++;
            connect(item.action, &QAction::triggered, this,
                    [this, command] { emit Command(command); });
        }
        m_items.push_back(item);
    }

    // Flat buttons. Until the image lists arrive each shows an empty image of the resource's
    // size, so that the buttons are measured with their images.
    QPixmap blank(imageSize);
    blank.fill(Qt::transparent);
    for (const Item& item : m_items) {
        if (auto* button = qobject_cast<QToolButton*>(widgetForAction(item.action))) {
            button->setAutoRaise(true);
            item.action->setIcon(QIcon(blank));
        }
    }

    // Labels from the command strings, from the last button to the first.
    for (int index = GetButtonCount() - 1; index >= 0; --index) {
        const ToolbarButton button = GetButton(index);
        if (button.separator || button.idCommand == 0) {
            continue;
        }
        const char* text = FindString(button.idCommand);
        const QString label = LabelOf(text);
        if (!label.isEmpty()) {
            SetButtonText(index, label);
        }
        const QString prompt = PromptOf(text);
        if (!prompt.isEmpty()) {
            m_items[static_cast<size_t>(index)].action->setToolTip(prompt);
        }
    }

    // Every button as large as the largest item (separators measured too), plus a margin.
    int width = 0;
    int height = 0;
    for (int index = GetButtonCount() - 1; index >= 0; --index) {
        const QWidget* widget = widgetForAction(m_items[static_cast<size_t>(index)].action);
        if (widget == nullptr) {
            continue;
        }
        const QSize size = widget->sizeHint();
        width = std::max(width, size.width() + 2);
        height = std::max(height, size.height() + 4);
    }
    SetSizes(QSize(width, height), imageSize);
    return true;
}

ToolbarButton CColorToolBar::GetButton(int index) const {
    if (index < 0 || index >= GetButtonCount()) {
        return {};
    }
    return m_items[static_cast<size_t>(index)].button;
}

QRect CColorToolBar::GetItemRect(int index) const {
    if (index < 0 || index >= GetButtonCount()) {
        return {};
    }
    const QWidget* widget = widgetForAction(m_items[static_cast<size_t>(index)].action);
    return widget != nullptr ? widget->geometry() : QRect();
}

QToolButton* CColorToolBar::GetButtonWidget(int index) const {
    if (index < 0 || index >= GetButtonCount() || GetButton(index).separator) {
        return nullptr;
    }
    return qobject_cast<QToolButton*>(widgetForAction(m_items[static_cast<size_t>(index)].action));
}

bool CColorToolBar::SetButtonText(int index, const QString& text) {
    if (index < 0 || index >= GetButtonCount() || GetButton(index).separator) {
        return false;
    }
    Item& item = m_items[static_cast<size_t>(index)];
    item.button.text = text;
    item.action->setText(text);
    // Set explicitly, the label keeps its blanks (the default one is trimmed).
    item.action->setIconText(text);
    return true;
}

void CColorToolBar::SetSizes(QSize button, QSize image) {
    m_buttonSize = button;
    setIconSize(image);
    for (int index = 0; index < GetButtonCount(); ++index) {
        if (QToolButton* widget = GetButtonWidget(index)) {
            widget->setFixedSize(button);
        }
    }
    AutoSize();
}

const ImageList* CColorToolBar::SetImageList(const ImageList* images) {
    const ImageList* previous = m_pImages;
    m_pImages = images;
    UpdateImages();
    return previous;
}

const ImageList* CColorToolBar::SetHotImageList(const ImageList* images) {
    const ImageList* previous = m_pHotImages;
    m_pHotImages = images;
    UpdateImages();
    return previous;
}

// Each button's icon: the normal image in every size it has, and the hot one for the button
// under the mouse (the Active mode of a raised button).
void CColorToolBar::UpdateImages() {
    for (Item& item : m_items) {
        if (item.button.separator) {
            continue;
        }
        QIcon icon;
        auto add = [&icon](const ImageList* list, int index, QIcon::Mode mode) {
            if (list == nullptr) {
                return;
            }
            const QIcon source = list->Icon(index);
            for (const QSize size : source.availableSizes()) {
                icon.addPixmap(source.pixmap(size), mode);
            }
        };
        add(m_pImages, item.button.iBitmap, QIcon::Normal);
        add(m_pHotImages, item.button.iBitmap, QIcon::Active);
        item.action->setIcon(icon);
    }
}

void CColorToolBar::AutoSize() {
    resize(width(), sizeHint().height());
}

} // namespace hl
