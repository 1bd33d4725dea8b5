#include "TabSet.h"

#include <algorithm>

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFontMetrics>
#include <QHash>
#include <QPointer>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <QToolButton>

#include "ErrorReport.h"

namespace {

constexpr int captionPadding = 6; // caption to the slanted edges
constexpr int slant = 5;          // horizontal run of a tab's slanted edge
constexpr int arrowWidth = 16;
const QColor selectedColor(0, 128, 0);
const QColor selectedText(255, 255, 255);

// A tab hangs from the strip's top edge: wide at the top, narrowing downwards.
QPolygon tabShape(const QRect& r)
{
    return QPolygon({r.topLeft(), QPoint(r.right() + 1, r.top()), QPoint(r.right() + 1 - slant, r.bottom()),
                     QPoint(r.left() + slant, r.bottom())});
}

QBrush checkerboard(const QPalette& palette)
{
    QImage pattern(2, 2, QImage::Format_RGB32);
    const QRgb face = palette.color(QPalette::Button).rgb();
    const QRgb white = qRgb(255, 255, 255);
    pattern.setPixel(0, 0, face);
    pattern.setPixel(1, 1, face);
    pattern.setPixel(1, 0, white);
    pattern.setPixel(0, 1, white);
    return QBrush(pattern);
}

// One tab as assistive tools see it: its caption, whether it is selected, and a press action
// that selects it the way a click does.
class AccessibleTab : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    AccessibleTab(TTabSet* strip, int index) : strip_(strip), index_(index) {}

    bool isValid() const override { return strip_ && index_ < strip_->Count(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return strip_ ? strip_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(strip_.data()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override
    {
        return isValid() && t == QAccessible::Name ? strip_->Caption(index_) : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect r = strip_->TabRect(index_);
        return r.isEmpty() ? QRect() : QRect(strip_->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::PageTab; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        s.selectable = true;
        s.selected = strip_->TabIndex() == index_;
        s.offscreen = strip_->TabRect(index_).isEmpty();
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override
    {
        if (name != pressAction() || !isValid())
            return;
        try {
            strip_->SetTabIndex(index_);
        } catch (...) {
            ReportException(std::current_exception());
        }
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

    int index() const { return index_; }

private:
    QPointer<TTabSet> strip_;
    int index_;
};

// The strip as a page tab list whose children are its tabs, made only when asked for.
class AccessibleTabSet : public QAccessibleWidget {
public:
    explicit AccessibleTabSet(TTabSet* strip) : QAccessibleWidget(strip, QAccessible::PageTabList) {}
    ~AccessibleTabSet() override
    {
        for (const QAccessible::Id id : std::as_const(children_))
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return strip()->Count(); }
    QAccessibleInterface* child(int index) const override
    {
        if (index < 0 || index >= strip()->Count())
            return nullptr;
        if (const auto it = children_.constFind(index); it != children_.cend())
            return QAccessible::accessibleInterface(*it);
        auto* tab = new AccessibleTab(strip(), index);
        children_.insert(index, QAccessible::registerAccessibleInterface(tab));
        return tab;
    }
    int indexOfChild(const QAccessibleInterface* candidate) const override
    {
        const auto* tab = dynamic_cast<const AccessibleTab*>(candidate);
        return tab != nullptr && child(tab->index()) == candidate ? tab->index() : -1;
    }

private:
    TTabSet* strip() const { return static_cast<TTabSet*>(widget()); }

    mutable QHash<int, QAccessible::Id> children_;
};

QAccessibleInterface* accessibleTabSet(const QString& className, QObject* object)
{
    if (className == QLatin1String(TTabSet::staticMetaObject.className()) && object != nullptr
        && object->isWidgetType())
        return new AccessibleTabSet(static_cast<TTabSet*>(object));
    return nullptr;
}

} // namespace

TTabSet::TTabSet(QWidget* parent)
    : QWidget(parent), scrollLeft_(new QToolButton(this)), scrollRight_(new QToolButton(this))
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusPolicy(Qt::NoFocus);
    for (auto* button : {scrollLeft_, scrollRight_}) {
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->hide();
    }
    scrollLeft_->setArrowType(Qt::LeftArrow);
    scrollRight_->setArrowType(Qt::RightArrow);
    scrollLeft_->setObjectName(QStringLiteral("ScrollLeft"));
    scrollRight_->setObjectName(QStringLiteral("ScrollRight"));
    static const bool accessible = (QAccessible::installFactory(accessibleTabSet), true);
    Q_UNUSED(accessible);
    scrollLeft_->setAccessibleName(QStringLiteral("Scroll left"));
    scrollRight_->setAccessibleName(QStringLiteral("Scroll right"));
    connect(scrollLeft_, &QToolButton::clicked, this, [this] { scrollBy(-1); });
    connect(scrollRight_, &QToolButton::clicked, this, [this] { scrollBy(1); });
}

TTabSet::~TTabSet()
{
    Clear();
}

int TTabSet::Count() const
{
    return static_cast<int>(tabs_.size());
}

QString TTabSet::Caption(int index) const
{
    if (index < 0 || index >= Count())
        return {};
    return tabs_[static_cast<size_t>(index)].caption;
}

void* TTabSet::objectAt(int index, const std::type_info& type) const
{
    if (index < 0 || index >= Count())
        return nullptr;
    const Tab& tab = tabs_[static_cast<size_t>(index)];
    if (!tab.object || tab.type == nullptr || *tab.type != type)
        return nullptr;
    return tab.object.get();
}

void TTabSet::Append(const QString& caption)
{
    appendTab(caption, ObjectPtr(nullptr, [](void*) {}), nullptr);
}

void TTabSet::appendTab(const QString& caption, ObjectPtr object, const std::type_info* type)
{
    const int advance = advanceOf(caption);
    tabs_.push_back(Tab{caption, std::move(object), type, advance});
    totalAdvance_ += advance;
    invalidateLayout();
}

int TTabSet::TabIndex() const
{
    return tabIndex_;
}

void TTabSet::SetTabIndex(int index)
{
    if (index == tabIndex_ || index < -1 || index >= Count())
        return;
    bool allow = true;
    if (OnChange) {
        // A copy: the handler may replace OnChange while it runs.
        const TTabChangeEvent handler = OnChange;
        handler(this, index, allow);
    }
    // The handler may have changed the tabs; select only what still exists.
    if (!allow || index >= Count())
        return;
    tabIndex_ = index;
    makeVisible(index);
    update();
    if (QAccessible::isActive() && index >= 0) {
        QAccessibleEvent selected(this, QAccessible::Selection);
        selected.setChild(index);
        QAccessible::updateAccessibility(&selected);
    }
}

void TTabSet::Delete(int index)
{
    if (index < 0 || index >= Count())
        return;
    ObjectPtr released = std::move(tabs_[static_cast<size_t>(index)].object);
    totalAdvance_ -= tabs_[static_cast<size_t>(index)].advance;
    tabs_.erase(tabs_.begin() + index);
    if (tabIndex_ >= Count())
        tabIndex_ = Count() - 1;
    if (firstVisible_ >= Count())
        firstVisible_ = std::max(0, Count() - 1);
    invalidateLayout();
    // Released last, so that a destructor that looks at the strip sees it consistent.
    released.reset();
}

void TTabSet::SelectPrevious()
{
    if (Count() < 2)
        return;
    int target = tabIndex_ - 1;
    if (target < 0)
        target = Count() - 1;
    SetTabIndex(target);
}

void TTabSet::Clear()
{
    std::vector<Tab> released = std::move(tabs_);
    tabs_.clear();
    tabIndex_ = -1;
    firstVisible_ = 0;
    totalAdvance_ = 0;
    invalidateLayout();
    for (Tab& tab : released)
        tab.object.reset();
}

int TTabSet::FirstVisibleTab() const
{
    return firstVisible_;
}

QRect TTabSet::TabRect(int index) const
{
    ensureLayout();
    const int offset = index - firstVisible_;
    if (index < 0 || offset < 0 || offset >= static_cast<int>(visibleRects_.size()))
        return {};
    return visibleRects_[static_cast<size_t>(offset)];
}

QSize TTabSet::sizeHint() const
{
    return QSize(200, minimumSizeHint().height());
}

QSize TTabSet::minimumSizeHint() const
{
    return QSize(2 * arrowWidth + 20, fontMetrics().height() + 6);
}

int TTabSet::advanceOf(const QString& caption) const
{
    return fontMetrics().horizontalAdvance(caption) + 2 * captionPadding + slant;
}

int TTabSet::tabHeight() const
{
    return std::max(1, height() - 2);
}

bool TTabSet::overflows() const
{
    return totalAdvance_ + slant > width();
}

int TTabSet::tabAreaWidth() const
{
    return overflows() ? std::max(0, width() - 2 * arrowWidth) : width();
}

void TTabSet::invalidateLayout()
{
    layoutValid_ = false;
    // Cheap to decide from the cached total; the arrows' place only changes on resize.
    const bool arrows = overflows();
    if (scrollLeft_->isVisibleTo(this) != arrows) {
        scrollLeft_->setVisible(arrows);
        scrollRight_->setVisible(arrows);
    }
    if (!arrows)
        firstVisible_ = 0;
    else
        ensureLayout(); // the arrows' enabled states; bounded by the tabs that fit, not by Count()
    update();
}

void TTabSet::ensureLayout() const
{
    if (layoutValid_)
        return;
    layoutValid_ = true;
    visibleRects_.clear();
    const int area = tabAreaWidth();
    const int h = tabHeight();
    int x = 0;
    for (int i = firstVisible_; i < Count(); ++i) {
        const int w = tabs_[static_cast<size_t>(i)].advance + slant;
        // Only whole tabs show, except a first tab wider than the whole area.
        if (x + w > area && i > firstVisible_)
            break;
        visibleRects_.emplace_back(x, 0, w, h);
        x += tabs_[static_cast<size_t>(i)].advance;
    }
    const int lastVisible = firstVisible_ + static_cast<int>(visibleRects_.size()) - 1;
    scrollLeft_->setEnabled(firstVisible_ > 0);
    scrollRight_->setEnabled(lastVisible < Count() - 1);
}

void TTabSet::scrollBy(int delta)
{
    const int first = std::clamp(firstVisible_ + delta, 0, std::max(0, Count() - 1));
    if (delta > 0) {
        ensureLayout();
        const int lastVisible = firstVisible_ + static_cast<int>(visibleRects_.size()) - 1;
        if (lastVisible >= Count() - 1)
            return;
    }
    if (first == firstVisible_)
        return;
    firstVisible_ = first;
    invalidateLayout();
}

void TTabSet::makeVisible(int index)
{
    if (index < 0 || !overflows())
        return;
    if (index < firstVisible_) {
        firstVisible_ = index;
        invalidateLayout();
        return;
    }
    ensureLayout();
    if (index < firstVisible_ + static_cast<int>(visibleRects_.size()))
        return;
    // Scroll just far enough that the tab is the last whole one shown.
    const int area = tabAreaWidth();
    int first = index;
    long long extent = tabs_[static_cast<size_t>(index)].advance + slant;
    while (first > 0 && extent + tabs_[static_cast<size_t>(first - 1)].advance <= area) {
        --first;
        extent += tabs_[static_cast<size_t>(first)].advance;
    }
    firstVisible_ = first;
    invalidateLayout();
}

int TTabSet::tabAt(const QPoint& pos) const
{
    ensureLayout();
    // The selected tab lies on top of its neighbours.
    const QRect selected = TabRect(tabIndex_);
    if (!selected.isEmpty() && tabShape(selected).containsPoint(pos, Qt::OddEvenFill))
        return tabIndex_;
    for (size_t i = 0; i < visibleRects_.size(); ++i) {
        if (tabShape(visibleRects_[i]).containsPoint(pos, Qt::OddEvenFill))
            return firstVisible_ + static_cast<int>(i);
    }
    return -1;
}

void TTabSet::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const int index = tabAt(event->position().toPoint());
    if (index < 0)
        return;
    // What the change handler throws is reported here rather than unwound through Qt.
    try {
        SetTabIndex(index);
    } catch (...) {
        ReportException(std::current_exception());
    }
}

void TTabSet::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int h = std::max(1, height() - 1);
    scrollLeft_->setGeometry(width() - 2 * arrowWidth, 0, arrowWidth, h);
    scrollRight_->setGeometry(width() - arrowWidth, 0, arrowWidth, h);
    invalidateLayout();
}

void TTabSet::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange) {
        totalAdvance_ = 0;
        for (Tab& tab : tabs_) {
            tab.advance = advanceOf(tab.caption);
            totalAdvance_ += tab.advance;
        }
        updateGeometry();
        invalidateLayout();
    }
    QWidget::changeEvent(event);
}

void TTabSet::paintEvent(QPaintEvent*)
{
    ensureLayout();
    QPainter painter(this);
    const QPalette& pal = palette();
    painter.fillRect(rect(), checkerboard(pal));
    painter.setClipRect(0, 0, tabAreaWidth(), height());

    const auto drawTab = [&](int index, const QRect& r) {
        const bool selected = index == tabIndex_;
        const QPolygon shape = tabShape(r);
        painter.setPen(Qt::NoPen);
        painter.setBrush(selected ? selectedColor : pal.color(QPalette::Button));
        painter.drawPolygon(shape);
        // Edges on the sides and bottom only: the top stays soft against the page above.
        painter.setPen(pal.color(QPalette::Shadow));
        painter.drawLine(shape[0], shape[3]);
        painter.drawLine(shape[3], shape[2]);
        painter.drawLine(shape[2], shape[1]);
        painter.setPen(pal.color(QPalette::Light));
        painter.drawLine(shape[0] + QPoint(1, 0), shape[3] + QPoint(1, -1));
        painter.setPen(selected ? selectedText : pal.color(QPalette::ButtonText));
        painter.drawText(r.adjusted(slant, 0, -slant, 0), Qt::AlignCenter | Qt::TextSingleLine,
                         tabs_[static_cast<size_t>(index)].caption);
    };
    // Earlier tabs lie over later ones, the selected one over all.
    for (int i = static_cast<int>(visibleRects_.size()) - 1; i >= 0; --i) {
        const int index = firstVisible_ + i;
        if (index != tabIndex_)
            drawTab(index, visibleRects_[static_cast<size_t>(i)]);
    }
    const QRect selected = TabRect(tabIndex_);
    if (!selected.isEmpty())
        drawTab(tabIndex_, selected);
}
