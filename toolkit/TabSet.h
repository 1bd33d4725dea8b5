#pragma once
// The tab strip at the foot of a page. Each tab carries a caption and an owned object of any type.

#include <functional>
#include <memory>
#include <typeinfo>
#include <vector>

#include <QRect>
#include <QString>
#include <QWidget>

class QToolButton;

using TTabChangeEvent = std::function<void(QObject* Sender, int NewTab, bool& AllowChange)>;

class TTabSet : public QWidget {
    Q_OBJECT
public:
    explicit TTabSet(QWidget* parent = nullptr);
    // Releases every object still attached, once, in tab order.
    ~TTabSet() override;

    int Count() const;
    // Empty for an index out of range.
    QString Caption(int index) const;
    // The attached object, or nullptr (no object, index out of range, or not a T).
    template <typename T>
    T* Object(int index) const
    {
        return static_cast<T*>(objectAt(index, typeid(T)));
    }
    // Appends a tab at the end; the strip takes ownership. TabIndex unchanged, no OnChange.
    template <typename T>
    void Append(const QString& caption, std::unique_ptr<T> object)
    {
        appendTab(caption, ObjectPtr(object.release(), [](void* p) { delete static_cast<T*>(p); }),
                  &typeid(T));
    }
    // A tab without object.
    void Append(const QString& caption);

    // -1 when none is selected.
    int TabIndex() const;
    // Same value, or an index out of range: nothing at all. Otherwise OnChange(this, index,
    // allow = true) first, then the tab becomes selected only if allow is still true.
    // A user's click on a tab goes through this same path.
    void SetTabIndex(int index);
    // Releases the tab's object and removes the tab; following tabs move down by one. TabIndex
    // keeps its number if a tab still has it, otherwise becomes the last index (-1 if empty);
    // no selection stays no selection. No OnChange. An index out of range does nothing.
    void Delete(int index);
    // Fewer than two tabs: nothing. Otherwise target = TabIndex - 1, or the last index when that
    // is below 0; then SetTabIndex(target).
    void SelectPrevious();
    // Releases every object, removes every tab, TabIndex -1. No OnChange.
    void Clear();

    // Where tab `index` is drawn now (empty if scrolled out of view).
    QRect TabRect(int index) const;
    // Scrolling position: the first tab drawn.
    int FirstVisibleTab() const;

    TTabChangeEvent OnChange;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    using ObjectPtr = std::unique_ptr<void, void (*)(void*)>;
    struct Tab {
        QString caption;
        ObjectPtr object;
        const std::type_info* type;
        int advance; // distance to the next tab's left edge; cached, it depends only on the font
    };

    void appendTab(const QString& caption, ObjectPtr object, const std::type_info* type);
    void* objectAt(int index, const std::type_info& type) const;
    int advanceOf(const QString& caption) const;
    int tabHeight() const;
    int tabAreaWidth() const;
    bool overflows() const;
    void invalidateLayout();
    void ensureLayout() const;
    void scrollBy(int delta);
    void makeVisible(int index);
    int tabAt(const QPoint& pos) const;

    std::vector<Tab> tabs_;
    int tabIndex_ = -1;
    int firstVisible_ = 0;
    long long totalAdvance_ = 0;
    QToolButton* scrollLeft_;
    QToolButton* scrollRight_;

    // Laid out lazily: appending many tabs costs no work per tab beyond its own width.
    mutable bool layoutValid_ = false;
    mutable std::vector<QRect> visibleRects_; // tabs firstVisible_ .. firstVisible_ + size - 1
};
