#include "platform/host/Accessible.h"

#include <QAccessibleWidget>
#include <QPointer>

#include "platform/host/Controls.h"
#include "platform/host/ListView.h"

namespace platform {
namespace {

class LabelAccessible : public QAccessibleWidget {
public:
    explicit LabelAccessible(Label* label) : QAccessibleWidget(label) {}

    QAccessible::Role role() const override {
        return label()->TabStop() ? QAccessible::Button : QAccessible::StaticText;
    }
    QString text(QAccessible::Text t) const override {
        // The caption as shown; Qt's own would take an "&" for a mnemonic.
        if (t == QAccessible::Name && label()->accessibleName().isEmpty())
            return label()->Caption();
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        if (label()->TabStop()) names.prepend(pressAction());
        return names;
    }
    void doAction(const QString& name) override {
        if (name == pressAction() && label()->TabStop()) {
            emit label()->Click();
        } else {
            QAccessibleWidget::doAction(name);
        }
    }

private:
    Label* label() const { return static_cast<Label*>(widget()); }
};

// One entry of a list view, by its row; it has no object of its own.
class ListItemAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    ListItemAccessible(ListView* list, int row) : list_(list), row_(row) {}

    bool isValid() const override { return entry() != nullptr; }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return list_ ? list_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return list_ ? QAccessible::queryAccessibleInterface(list_) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name && entry() ? entry()->text() : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!entry()) return {};
        const QRect r = list_->visualItemRect(entry());
        return {list_->viewport()->mapToGlobal(r.topLeft()), r.size()};
    }
    QAccessible::Role role() const override { return QAccessible::CheckBox; }
    QAccessible::State state() const override {
        QAccessible::State s;
        if (!entry()) return s;
        s.focusable = true;
        s.focused = list_->hasFocus() && list_->currentRow() == row_;
        s.checkable = true;
        s.checked = entry()->checkState() == Qt::Checked;
        s.invisible = !list_->isVisible();
        s.disabled = !list_->isEnabled();
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ActionInterface)
            return static_cast<QAccessibleActionInterface*>(this);
        return nullptr;
    }
    QStringList actionNames() const override { return {toggleAction()}; }
    void doAction(const QString& name) override {
        if (name != toggleAction() || !entry()) return;
        const bool ticked = entry()->checkState() == Qt::Checked;
        entry()->setCheckState(ticked ? Qt::Unchecked : Qt::Checked);
    }
    QStringList keyBindingsForAction(const QString& name) const override {
        return name == toggleAction() ? QStringList{QStringLiteral("Space")} : QStringList();
    }

private:
    QListWidgetItem* entry() const { return list_ ? list_->item(row_) : nullptr; }
    QPointer<ListView> list_;
    int row_;
};

// A list view whose children are its entries, not its scroll bars.
class ListViewAccessible : public QAccessibleWidget {
public:
    explicit ListViewAccessible(ListView* list) : QAccessibleWidget(list, QAccessible::List) {}
    ~ListViewAccessible() override {
        for (QAccessible::Id id : std::as_const(entries_))
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return list()->count(); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= list()->count()) return nullptr;
        while (entries_.size() <= index) {
            const int row = static_cast<int>(entries_.size());
            entries_.append(
                QAccessible::registerAccessibleInterface(new ListItemAccessible(list(), row)));
        }
        return QAccessible::accessibleInterface(entries_[index]);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (int i = 0; i < entries_.size(); ++i)
            if (QAccessible::accessibleInterface(entries_[i]) == child) return i;
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const QListWidgetItem* at = list()->itemAt(list()->viewport()->mapFromGlobal(QPoint(x, y)));
        return at ? child(list()->row(at)) : nullptr;
    }

private:
    ListView* list() const { return static_cast<ListView*>(widget()); }
    mutable QList<QAccessible::Id> entries_;
};

QAccessibleInterface* factory(const QString& className, QObject* object) {
    if (className == u"platform::Label") return new LabelAccessible(static_cast<Label*>(object));
    if (className == u"platform::ListView")
        return new ListViewAccessible(static_cast<ListView*>(object));
    // Qt would call a plain top-level widget a client area.
    if (className == u"platform::Form")
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    return nullptr;
}

}  // namespace

void InstallAccessibleFactory() {
    static const bool installed = (QAccessible::installFactory(factory), true);
    (void)installed;
}

void AnnounceCheckChange(ListView& list, int row) {
    if (!QAccessible::isActive()) return;
    QAccessibleInterface* entry = QAccessible::queryAccessibleInterface(&list)->child(row);
    if (!entry) return;
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(entry, changed);
    QAccessible::updateAccessibility(&event);
}

}  // namespace platform
