#include "Accessibility.h"

#include <QAccessibleWidget>

namespace cpuchat {

namespace {

constexpr char kRoleProperty[] = "cpuchatAccessibleRole";

class NoteInterface : public QAccessibleWidget {
public:
    explicit NoteInterface(SpokenNote* note) : QAccessibleWidget(note, QAccessible::Notification) {}

    QString text(QAccessible::Text kind) const override {
        // The name is what the note says: setting it as the accessible name would send a
        // name change that screen readers cannot read from this Qt.
        if (kind == QAccessible::Name) return static_cast<const SpokenNote*>(widget())->text();
        return QAccessibleWidget::text(kind);
    }
};

QAccessibleInterface* programRoles(const QString& /*className*/, QObject* object) {
    if (auto* note = qobject_cast<SpokenNote*>(object)) return new NoteInterface(note);
    if (!object || !object->isWidgetType()) return nullptr;
    const QVariant role = object->property(kRoleProperty);
    if (!role.isValid()) return nullptr;
    return new QAccessibleWidget(static_cast<QWidget*>(object), role.value<QAccessible::Role>());
}

void installProgramRoles() {
    // The application installs Qt's own factory when it is built, and the factory installed
    // last is asked first: this one must come after the application, once.
    static const bool installed = [] {
        QAccessible::installFactory(programRoles);
        return true;
    }();
    (void)installed;
}

void dropStaleInterface(QWidget* widget, QAccessible::Role role) {
    QAccessibleInterface* made = QAccessible::queryAccessibleInterface(widget);
    if (made && made->role() != role) QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

}  // namespace

void setAccessibleRole(QWidget* widget, QAccessible::Role role) {
    installProgramRoles();
    widget->setProperty(kRoleProperty, QVariant::fromValue(role));
    dropStaleInterface(widget, role);
}

SpokenNote::SpokenNote(QWidget* parent) : QWidget(parent) {
    installProgramRoles();
    setObjectName(QStringLiteral("SpokenNote"));
    setGeometry(0, 0, 0, 0);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    dropStaleInterface(this, QAccessible::Notification);
    hide();
}

void SpokenNote::say(const QString& text) {
    m_text = text;
    // A screen reader speaks a notification when it comes into sight.
    hide();
    show();
}

}  // namespace cpuchat
