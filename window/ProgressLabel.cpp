#include "window/ProgressLabel.h"

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>

namespace {
class AccessibleProgress : public QAccessibleWidget, public QAccessibleValueInterface {
  public:
    explicit AccessibleProgress(ProgressLabel* label) : QAccessibleWidget(label, QAccessible::ProgressBar) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ValueInterface ? static_cast<QAccessibleValueInterface*>(this)
                                                   : QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text kind) const override {
        // The label's own text ("37%", "完成.") is the value spoken with the name.
        if (kind == QAccessible::Value)
            return label()->text();
        return QAccessibleWidget::text(kind);
    }

    QVariant currentValue() const override { return label()->Value(); }
    void setCurrentValue(const QVariant&) override {} // shown, never set from outside
    QVariant maximumValue() const override { return 100; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

  private:
    ProgressLabel* label() const { return static_cast<ProgressLabel*>(widget()); }
};

QAccessibleInterface* accessibleProgress(const QString&, QObject* object) {
    if (auto* label = qobject_cast<ProgressLabel*>(object))
        return new AccessibleProgress(label);
    return nullptr;
}
} // namespace

ProgressLabel::ProgressLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    static const bool accessible = (QAccessible::installFactory(accessibleProgress), true);
    Q_UNUSED(accessible);
    setAccessibleName(QStringLiteral("转换进度"));
}

void ProgressLabel::SetValue(int percent) {
    if (percent == m_value)
        return;
    m_value = percent;
    QAccessibleValueChangeEvent changed(this, percent);
    QAccessible::updateAccessibility(&changed);
}

void ProgressLabel::SetDetail(const QString& detail) {
    setToolTip(detail);
    setAccessibleDescription(detail);
}

void ProgressLabel::Announce() {
    QAccessibleEvent alert(this, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}
