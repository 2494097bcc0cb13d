#include "Translate.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAction>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolButton>

#include "Controls.h"
#include "CvbioError.h"
#include "DatasetModel.h"
#include "SysLib.h"
#include "TextOps.h"

namespace {

QString ManagerString(const QString& section, const QString& key, const QString& fallback) {
    if (!frmSysLib) return fallback;
    return QString::fromStdString(frmSysLib->ManagerIni.ReadString(
        section.toStdString(), key.toStdString(), fallback.toStdString()));
}

// The tab widget and index of a tab page, or nullptr.
QTabWidget* TabOf(const QObject* component, int* index) {
    const QWidget* page = qobject_cast<const QWidget*>(component);
    if (!page) return nullptr;
    auto* stack = qobject_cast<QStackedWidget*>(page->parentWidget());
    if (!stack) return nullptr;
    auto* tabs = qobject_cast<QTabWidget*>(stack->parentWidget());
    if (!tabs) return nullptr;
    *index = tabs->indexOf(const_cast<QWidget*>(page));
    return *index >= 0 ? tabs : nullptr;
}

void SetCaption(QObject* component, const QString& caption) {
    int tab = -1;
    if (auto* tabs = TabOf(component, &tab)) {
        tabs->setTabText(tab, caption);
    } else if (auto* label = qobject_cast<QLabel*>(component)) {
        label->setText(caption);
    } else if (auto* button = qobject_cast<QAbstractButton*>(component)) {
        button->setText(caption);
    } else if (auto* group = qobject_cast<QGroupBox*>(component)) {
        group->setTitle(caption);
    } else if (auto* menu = qobject_cast<QMenu*>(component)) {
        menu->setTitle(caption);
    } else if (auto* action = qobject_cast<QAction*>(component)) {
        action->setText(caption);
    }
}

void SetHint(QObject* component, const QString& hint) {
    int tab = -1;
    if (auto* tabs = TabOf(component, &tab)) {
        tabs->setTabToolTip(tab, hint);
    } else if (auto* menu = qobject_cast<QMenu*>(component)) {
        menu->menuAction()->setToolTip(hint);
    } else if (auto* action = qobject_cast<QAction*>(component)) {
        action->setToolTip(hint);
    } else if (auto* widget = qobject_cast<QWidget*>(component)) {
        widget->setToolTip(hint);
    }
}

}  // namespace

CaptionHint SplitCaptionHint(const QString& value) {
    const int comma = value.indexOf(',');
    if (comma < 0) return {QString(), value};
    return {value.left(comma), value.mid(comma + 1)};
}

ControlKind KindOf(const QObject* component) {
    int tab = -1;
    if (TabOf(component, &tab)) return ControlKind::CaptionAndHint;
    // Pictures first: they are frames, not captioned controls.
    if (qobject_cast<const TImage*>(component)) return ControlKind::HintOnly;
    if (qobject_cast<const QLabel*>(component) || qobject_cast<const QAbstractButton*>(component) ||
        qobject_cast<const QGroupBox*>(component) || qobject_cast<const QMenu*>(component) ||
        qobject_cast<const QAction*>(component))
        return ControlKind::CaptionAndHint;
    if (qobject_cast<const QLineEdit*>(component) ||
        qobject_cast<const QAbstractItemView*>(component) ||
        qobject_cast<const QComboBox*>(component) ||
        qobject_cast<const QAbstractSpinBox*>(component) ||  // date and time pickers included
        qobject_cast<const QCalendarWidget*>(component) ||
        qobject_cast<const QTextEdit*>(component) || qobject_cast<const QPlainTextEdit*>(component))
        return ControlKind::HintOnly;
    return ControlKind::None;  // status bars, tool bars, tab widgets, progress bars, frames
}

void TranslateWindow(QWidget* window) {
    if (!window || !frmSysLib) return;
    const QString section = window->objectName();

    // Step 1: the font. A size that is not an integer stops the translation here.
    const QString fontName = ManagerString("System", "FontName", "Courier New");
    const QString sizeText = ManagerString("System", "FontSize", "10");
    int32_t size = 0;
    if (!ParseInt32(sizeText.toStdString(), size))
        throw CvbioError(QString("'%1' is not a valid integer value").arg(sizeText));
    // "Charset" is read for compatibility; text is Unicode here, so it selects nothing.
    (void)frmSysLib->ManagerIni.ReadInteger("System", "Charset", 1);
    QFont font = window->font();
    font.setFamily(fontName);
    if (size > 0) font.setPointSize(size);
    window->setFont(font);

    // Step 2: the title, only for the mark 1.
    if (Tag(window) == 1) window->setWindowTitle(ManagerString(section, "Title", "0"));

    // Step 3: every component of the window, last to first.
    const QList<QObject*> components = window->findChildren<QObject*>();
    for (auto it = components.crbegin(); it != components.crend(); ++it) {
        QObject* component = *it;
        const int tag = Tag(component);
        if (tag < 1 || component->objectName().isEmpty()) continue;
        const CaptionHint value =
            SplitCaptionHint(ManagerString(section, component->objectName(), "0"));
        const ControlKind kind = KindOf(component);
        if ((tag & 1) && (kind == ControlKind::CaptionAndHint || kind == ControlKind::CaptionOnly))
            SetCaption(component, value.caption);
        if ((tag & 2) && (kind == ControlKind::CaptionAndHint || kind == ControlKind::HintOnly))
            SetHint(component, value.hint);
    }
    UpdateAccessibleNames(window);
}

QStringList GridKeys(int count, int first) {
    QStringList keys;
    for (int i = 0; i < count; ++i) keys << QString("dg%1").arg(first + i);
    return keys;
}

void SetGridTitles(DatasetModel* model, const QString& window, const QStringList& keys) {
    QStringList titles;
    for (const QString& key : keys)
        titles << (frmSysLib ? frmSysLib->FormText(window, key, QString()) : QString());
    model->setTitles(titles);
}

QString PlainCaption(const QString& caption) {
    QString plain;
    for (int i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&') {
            if (i + 1 < caption.size() && caption[i + 1] == '&') plain += '&';
            ++i;
            if (i < caption.size() && caption[i] != '&') plain += caption[i];
            continue;
        }
        plain += caption[i];
    }
    return plain;
}

void UpdateAccessibleNames(QWidget* window) {
    // Labels name the controls they are the buddy of.
    QHash<QWidget*, QString> labelled;
    for (QLabel* label : window->findChildren<QLabel*>())
        if (label->buddy()) labelled.insert(label->buddy(), PlainCaption(label->text()).trimmed());

    for (QWidget* widget : window->findChildren<QWidget*>()) {
        QString name;
        if (auto* tool = qobject_cast<QToolButton*>(widget);
            tool && tool->toolButtonStyle() == Qt::ToolButtonIconOnly) {
            name = tool->toolTip().isEmpty() ? PlainCaption(tool->text()) : tool->toolTip();
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            name = PlainCaption(button->text());
            if (name.isEmpty()) name = button->toolTip();
        } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
            name = PlainCaption(group->title());
        } else if (qobject_cast<TImage*>(widget)) {
            name = widget->toolTip();
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            name = PlainCaption(label->text());
        } else if (labelled.contains(widget)) {
            name = labelled.value(widget);
        }
        if (name.isEmpty() && KindOf(widget) == ControlKind::HintOnly) name = widget->toolTip();
        if (!name.isEmpty()) widget->setAccessibleName(name);
    }
}
