#include "widgets/languagetranslator.h"

#include "language/messagetable.h"
#include "widgets/widgetfactory.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QRadioButton>
#include <QTableWidget>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <algorithm>
#include <optional>

namespace translator {
namespace {

QString fileOverride;
std::vector<TTranslatedWindow>& Registry() {
    static std::vector<TTranslatedWindow> windows;
    return windows;
}

QString Q(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<int>(text.size())); }
std::string S(const QString& text) { return text.toUtf8().toStdString(); }

std::optional<int> IndexOf(const TLangElement& item, const char* name = "Index") {
    const std::string* text = language::Attribute(item, name);
    if (!text) return std::nullopt;
    return language::ParseInteger(*text);
}

void SetCaption(QObject* object, TComponentKind kind, const QString& text) {
    switch (kind) {
    case TComponentKind::Window: static_cast<QWidget*>(object)->setWindowTitle(text); break;
    case TComponentKind::Action: static_cast<QAction*>(object)->setText(text); break;
    case TComponentKind::Menu: {
        auto* menu = static_cast<QMenu*>(object);
        menu->setTitle(text);
        // The menu bar's buttons show their menu's title.
        for (QToolButton* b : menu->parentWidget() ? menu->parentWidget()->findChildren<QToolButton*>()
                                                   : QList<QToolButton*>())
            if (b->menu() == menu) b->setText(MenuButtonText(text));
        break;
    }
    case TComponentKind::Button:
    case TComponentKind::CheckBox: static_cast<QAbstractButton*>(object)->setText(text); break;
    case TComponentKind::Label: static_cast<QLabel*>(object)->setText(text); break;
    case TComponentKind::GroupBox: static_cast<QGroupBox*>(object)->setTitle(text); break;
    default: break;
    }
}

// One attribute onto its property; a name the kind does not take, or a value that does not
// convert, leaves the property as it was.
void SetProperty(QObject* object, TComponentKind kind, const std::string& name,
                 const std::string& value) {
    TPropertyType type;
    std::string_view property;
    if (!language::FindProperty(kind, name, type, &property)) return;
    if (type == TPropertyType::Text) {
        const QString text = Q(language::ExpandLineBreaks(value));
        if (property == "Caption") {
            SetCaption(object, kind, text);
        } else if (property == "Text") {
            static_cast<QLineEdit*>(object)->setText(text);
        } else if (auto* action = qobject_cast<QAction*>(object)) { // Hint
            action->setToolTip(text);
            action->setStatusTip(text);
        } else {
            static_cast<QWidget*>(object)->setToolTip(text);
        }
    } else if (type == TPropertyType::ShortCut) {
        const QKeySequence keys = QKeySequence::fromString(Q(value), QKeySequence::PortableText);
        const bool none = value.empty();
        if (!none && (keys.isEmpty() || keys[0].key() == Qt::Key_unknown)) return;
        static_cast<QAction*>(object)->setShortcut(keys);
    } else if (type == TPropertyType::Integer) {
        const auto number = language::ParseInteger(value);
        if (!number) return;
        auto* widget = static_cast<QWidget*>(object);
        if (property == "Width") widget->resize(*number, widget->height());
        else if (property == "Height") widget->resize(widget->width(), *number);
        else if (property == "MaxLength" && *number >= 0) static_cast<QLineEdit*>(object)->setMaxLength(*number);
    } else if (type == TPropertyType::Enumeration) {
        const auto number = language::ParseEnumeration(value, language::Identifiers(property));
        auto* label = static_cast<QLabel*>(object);
        if (property == "WordWrap" && (*number == 0 || *number == 1)) {
            label->setWordWrap(*number == 1);
        } else if (property == "Alignment" && *number >= 0 && *number <= 2) {
            const Qt::Alignment horizontal[] = {Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter};
            label->setAlignment(horizontal[*number] | (label->alignment() & Qt::AlignVertical_Mask));
        }
    }
}

void ApplyFont(QWidget* widget, const TLangElement& element) {
    const std::string* style = language::Attribute(element, "Style");
    if (!style) return;
    const auto bits = language::ParseSet(*style, language::Identifiers("Style"));
    if (!bits) return;
    QFont font = widget->font();
    font.setBold(*bits & 1);
    font.setItalic(*bits & 2);
    font.setUnderline(*bits & 4);
    font.setStrikeOut(*bits & 8);
    widget->setFont(font);
}

void ApplyColumns(QTreeView* view, const TLangElement& columns) {
    QAbstractItemModel* model = view->model();
    for (const TLangElement& item : columns.children) {
        const auto index = IndexOf(item);
        if (!index || *index < 0 || !model || *index >= model->columnCount()) continue;
        if (const std::string* text = language::Attribute(item, "Text"))
            model->setHeaderData(*index, Qt::Horizontal, Q(language::ExpandLineBreaks(*text)));
        if (const std::string* width = language::Attribute(item, "Width"))
            if (const auto pixels = language::ParseInteger(*width); pixels && *pixels >= 0)
                view->setColumnWidth(*index, *pixels);
    }
}

// Lines of lists are taken as written: the line-break escape does not apply to them.
void ApplyItems(QObject* object, TComponentKind kind, const TLangElement& items) {
    std::vector<QTreeWidgetItem*> nodes;
    if (auto* tree = qobject_cast<QTreeWidget*>(object))
        for (QTreeWidgetItemIterator it(tree); *it; ++it) nodes.push_back(*it);
    for (const TLangElement& item : items.children) {
        const auto index = IndexOf(item);
        const std::string* value = language::Attribute(item, "Value");
        if (!index || *index < 0 || !value) continue;
        if (auto* combo = qobject_cast<QComboBox*>(object)) {
            if (*index < combo->count()) combo->setItemText(*index, Q(*value));
        } else if (auto* list = qobject_cast<QListWidget*>(object)) {
            if (*index < list->count()) list->item(*index)->setText(Q(*value));
        } else if (kind == TComponentKind::NodeTree) {
            if (static_cast<size_t>(*index) < nodes.size())
                nodes[static_cast<size_t>(*index)]->setText(0, Q(language::ExpandLineBreaks(*value)));
        } else if (auto* table = qobject_cast<QTableWidget*>(object)) {
            const auto column = IndexOf(item, "Column");
            if (!column || *index >= table->rowCount() || *column < 0 || *column >= table->columnCount())
                continue;
            if (!table->item(*index, *column)) table->setItem(*index, *column, new QTableWidgetItem);
            table->item(*index, *column)->setText(Q(language::ExpandLineBreaks(*value)));
        }
    }
}

void ApplyObjectProperty(QObject* object, TComponentKind kind, const TLangElement& element) {
    if (language::SameName(element.name, "Font")) {
        if (auto* widget = qobject_cast<QWidget*>(object)) ApplyFont(widget, element);
    } else if (language::SameName(element.name, "Header")) {
        for (const TLangElement& child : element.children)
            if (language::SameName(child.name, "Columns"))
                ApplyColumns(static_cast<QTreeView*>(object), child);
    } else {
        ApplyItems(object, kind, element);
    }
}

void ApplyComponent(QObject* object, const TLangElement& element) {
    const TComponentKind kind = KindOf(object);
    for (const auto& attribute : element.attributes)
        SetProperty(object, kind, attribute.first, attribute.second);
    for (const TLangElement& child : element.children)
        if (language::HasObjectProperty(kind, child.name)) ApplyObjectProperty(object, kind, child);
}

void ApplyWindow(const TTranslatedWindow& target, const TLangElement& element) {
    QWidget* window = target.window;
    for (const auto& attribute : element.attributes)
        SetProperty(window, TComponentKind::Window, attribute.first, attribute.second);
    const QList<QObject*> components = ComponentsOf(window);
    for (const TLangElement& child : element.children) {
        QObject* match = nullptr;
        for (QObject* c : components)
            if (language::SameName(S(c->objectName()), child.name)) {
                match = c;
                break;
            }
        if (match) ApplyComponent(match, child);
        else if (target.variables && language::SameName(child.name, "Variables"))
            language::ApplyVariables(child, *target.variables);
        else if (language::HasObjectProperty(TComponentKind::Window, child.name))
            ApplyObjectProperty(window, TComponentKind::Window, child);
    }
}

} // namespace

QString LanguageFileName() {
    if (!fileOverride.isEmpty()) return fileOverride;
    const QFileInfo program(QCoreApplication::applicationFilePath());
    return program.path() + QLatin1Char('/') + program.completeBaseName() + QStringLiteral(".lng");
}

void SetLanguageFileName(const QString& fileName) { fileOverride = fileName; }

std::vector<TTranslatedWindow> TranslatedWindows() {
    auto& windows = Registry();
    windows.erase(std::remove_if(windows.begin(), windows.end(),
                                 [](const TTranslatedWindow& w) { return w.window.isNull(); }),
                  windows.end());
    return windows;
}

void LoadLanguage(QWidget* window, TranslatorVariables* variables) {
    TranslatedWindows(); // drops the windows gone since
    Registry().push_back({window, variables});
    TLangElement root;
    if (!language::Load(S(LanguageFileName()), root)) return;
    Apply(root, TranslatedWindows());
}

void Apply(const TLangElement& root, const std::vector<TTranslatedWindow>& windows) {
    for (const TLangElement& element : root.children)
        for (const TTranslatedWindow& target : windows)
            if (target.window && language::SameName(S(target.window->objectName()), element.name)) {
                ApplyWindow(target, element);
                break;
            }
}

TComponentKind KindOf(const QObject* object) {
    if (qobject_cast<const QAction*>(object)) return TComponentKind::Action;
    if (qobject_cast<const QMenu*>(object)) return TComponentKind::Menu;
    if (qobject_cast<const QCheckBox*>(object) || qobject_cast<const QRadioButton*>(object))
        return TComponentKind::CheckBox;
    if (qobject_cast<const QAbstractButton*>(object)) return TComponentKind::Button;
    if (qobject_cast<const QLabel*>(object)) return TComponentKind::Label;
    if (qobject_cast<const QGroupBox*>(object)) return TComponentKind::GroupBox;
    if (qobject_cast<const QLineEdit*>(object)) return TComponentKind::Edit;
    if (qobject_cast<const QComboBox*>(object)) return TComponentKind::ComboBox;
    if (qobject_cast<const QListWidget*>(object)) return TComponentKind::ListBox;
    if (qobject_cast<const QTreeWidget*>(object)) return TComponentKind::NodeTree;
    if (qobject_cast<const QTableWidget*>(object)) return TComponentKind::RowList;
    if (qobject_cast<const QTreeView*>(object)) return TComponentKind::View;
    if (auto* widget = qobject_cast<const QWidget*>(object); widget && widget->isWindow())
        return TComponentKind::Window;
    return TComponentKind::Other;
}

namespace {
void CollectComponents(QObject* parent, QList<QObject*>& components) {
    for (QObject* object : parent->children()) {
        auto* widget = qobject_cast<QWidget*>(object);
        // Windows of their own (the dialogs) are translated through their own elements.
        if (widget && widget->isWindow() && !qobject_cast<QMenu*>(object)) continue;
        const QString name = object->objectName();
        auto* button = qobject_cast<QToolButton*>(object);
        const bool standsForAnother = button && (button->defaultAction() || button->menu());
        if (!name.isEmpty() && !name.startsWith(QStringLiteral("qt_")) && !standsForAnother &&
            (widget || qobject_cast<QAction*>(object)))
            components << object;
        CollectComponents(object, components);
    }
}
} // namespace

QList<QObject*> ComponentsOf(QWidget* window) {
    QList<QObject*> components;
    CollectComponents(window, components);
    return components;
}

TComponentTexts TextsOf(const QObject* object) {
    TComponentTexts t;
    t.name = S(object->objectName());
    t.kind = KindOf(object);
    if (auto* action = qobject_cast<const QAction*>(object)) {
        t.text = S(action->text());
        t.hint = S(action->toolTip());
        return t;
    }
    auto* widget = static_cast<const QWidget*>(object);
    t.hint = S(widget->toolTip());
    switch (t.kind) {
    case TComponentKind::Window: t.text = S(widget->windowTitle()); break;
    case TComponentKind::Menu: t.text = S(static_cast<const QMenu*>(widget)->title()); break;
    case TComponentKind::Button:
    case TComponentKind::CheckBox: t.text = S(static_cast<const QAbstractButton*>(widget)->text()); break;
    case TComponentKind::Label: t.text = S(static_cast<const QLabel*>(widget)->text()); break;
    case TComponentKind::GroupBox: t.text = S(static_cast<const QGroupBox*>(widget)->title()); break;
    case TComponentKind::Edit: t.text = S(static_cast<const QLineEdit*>(widget)->text()); break;
    case TComponentKind::ComboBox: {
        auto* combo = static_cast<const QComboBox*>(widget);
        for (int i = 0; i < combo->count(); ++i) t.lines.push_back(S(combo->itemText(i)));
        break;
    }
    case TComponentKind::ListBox: {
        auto* list = static_cast<const QListWidget*>(widget);
        for (int i = 0; i < list->count(); ++i) t.lines.push_back(S(list->item(i)->text()));
        break;
    }
    case TComponentKind::View: {
        const QAbstractItemModel* model = static_cast<const QTreeView*>(widget)->model();
        for (int i = 0; model && i < model->columnCount(); ++i)
            t.columns.push_back(S(model->headerData(i, Qt::Horizontal).toString()));
        break;
    }
    default: break;
    }
    return t;
}

} // namespace translator
