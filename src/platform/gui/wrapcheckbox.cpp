#include "platform/gui/wrapcheckbox.h"

#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <algorithm>

namespace vt::gui {

namespace {

constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;

} // namespace

TWrapCheckBox::TWrapCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) {
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

int TWrapCheckBox::textIndent() const {
    return style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this) +
           style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, this);
}

QRect TWrapCheckBox::textRect(int width) const {
    const int indent = textIndent();
    const QRect room(indent, 0, std::max(1, width - indent), 0xFFFF);
    return fontMetrics().boundingRect(room, kTextFlags, text());
}

int TWrapCheckBox::heightForWidth(int width) const {
    const int indicator = style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, this);
    return std::max(indicator, textRect(width).height()) + 2;
}

QSize TWrapCheckBox::sizeHint() const {
    const int width = textIndent() + fontMetrics().horizontalAdvance(text()) + 2;
    return {width, heightForWidth(width)};
}

QSize TWrapCheckBox::minimumSizeHint() const {
    // As narrow as the longest word, and as low as one line: the layout
    // asks heightForWidth for the height a width takes.
    int word = 0;
    for (const QString& w : text().split(' ', Qt::SkipEmptyParts))
        word = std::max(word, fontMetrics().horizontalAdvance(w));
    return {textIndent() + word + 2, sizeHint().height()};
}

void TWrapCheckBox::resizeEvent(QResizeEvent* event) {
    QCheckBox::resizeEvent(event);
    // The lines a width takes become the least height, so that a layout
    // that sizes by hints alone still gives them room.
    const int lines = heightForWidth(width());
    if (minimumHeight() != lines) setMinimumHeight(lines);
}

void TWrapCheckBox::paintEvent(QPaintEvent*) {
    QStylePainter p(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString label = option.text;
    option.text.clear();
    // The indicator beside the first line.
    QStyleOptionButton indicator = option;
    indicator.rect = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    indicator.rect.moveTop(1 + std::max(0, (fontMetrics().height() - indicator.rect.height()) / 2));
    p.drawPrimitive(QStyle::PE_IndicatorCheckBox, indicator);
    const QRect text = textRect(width()).translated(0, 1);
    p.drawItemText(text, kTextFlags, palette(), isEnabled(), label, QPalette::WindowText);
    if (option.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = text.adjusted(-1, 0, 1, 0);
        p.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

} // namespace vt::gui
