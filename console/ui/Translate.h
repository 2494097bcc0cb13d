// Window translation from the current Manager file: fonts, the window title, control captions and
// hints, grid column titles. Controls are mapped by kind: caption-bearing controls (labels,
// buttons, group boxes, tab pages, menu items, panels) take caption and hint; hint-only controls
// (edit boxes, lists, grids, drop-down lists, pictures, date pickers) take only the hint, which
// is the tool tip. A control's translation mark is its "tag" property.
#pragma once

#include <QString>
#include <QStringList>

class QObject;
class QWidget;
class DatasetModel;

struct CaptionHint {
    QString caption;
    QString hint;
};
// "caption,hint" split at the first comma; without a comma the whole value is the hint.
CaptionHint SplitCaptionHint(const QString& value);

enum class ControlKind { None, CaptionAndHint, HintOnly, CaptionOnly };
ControlKind KindOf(const QObject* component);

// Applies the Manager file's section named after the window (its objectName). Throws CvbioError
// when "FontSize" is not an integer; nothing after the font is translated then.
void TranslateWindow(QWidget* window);

// FormText(window, key, "") for each column title of a grid, in column order.
void SetGridTitles(DatasetModel* model, const QString& window, const QStringList& keys);
// The usual "dg1".."dgN" keys.
QStringList GridKeys(int count, int first = 1);

// Gives every control of the window an accessible name: its caption, the caption of the label
// that names it, or its hint where it shows only a picture.
void UpdateAccessibleNames(QWidget* window);

// The caption without its "&" accelerator marks.
QString PlainCaption(const QString& caption);
