#pragma once
// A link label: a click opens its target; the colour shows whether it has been opened.

#include <functional>

#include <QLabel>
#include <QString>
#include <QUrl>

using UrlOpener = std::function<bool(const QUrl&)>;

class TRzURLLabel : public QLabel {
    Q_OBJECT
public:
    explicit TRzURLLabel(QWidget* parent);

    // The address opened on click ("mailto:..." for mail).
    void SetTarget(const QString& target);
    QString Target() const;
    // True once the target has been opened successfully.
    bool Visited() const;

    // Installs the function that opens addresses (an empty one restores the default,
    // QDesktopServices::openUrl) and returns the previous one.
    static UrlOpener SetOpener(UrlOpener opener);

    static QColor LinkColor();
    static QColor VisitedColor();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void applyColor();

    QString target_;
    bool visited_ = false;
    bool pressed_ = false;
};
