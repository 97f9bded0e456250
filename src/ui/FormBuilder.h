#pragma once

#include "layout/DialogUnits.h"

#include <QFont>
#include <QHash>
#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

class QWidget;

// One control of a dialog template: position and size in dialog units.
struct ControlSpec {
    enum class Kind {
        Label,         // static text, wraps like a Windows static
        Edit,          // single-line edit
        Button,        // push button
        DefaultButton, // default push button
        CheckBox,
        GroupBox,
        DropList, // drop-down list; the height is that of the open list
        HScrollBar,
        VScrollBar,
        ListView, // report-style list with grid lines and whole-row selection
        Progress,
        Icon,   // the program icon
        Custom, // made by the factory given to the builder, else a plain widget
    };

    int id; // 0 or less: no id (plain labels)
    Kind kind;
    QString text;
    int x, y, width, height;
    bool visible = true;
    // An edit's widest content, when the program fills it: the edit is made
    // wide enough for it.
    QString widest = {};
};

// A dialog template: font, size in dialog units, caption and controls.
struct FormSpec {
    QString fontFamily;
    int pointSize = 9;
    int width = 0;
    int height = 0;
    QString caption;
    std::vector<ControlSpec> controls;
};

// The widgets of a built form, by control id.
class Form {
  public:
    QWidget* control(int id) const { return byId_.value(id); }
    template <class T> T* get(int id) const { return qobject_cast<T*>(control(id)); }
    // Puts another widget in the place of a control (the graph in its placeholder).
    void replace(int id, QWidget* w) { byId_.insert(id, w); }

    DialogBaseUnits base{};
    QSize size; // the template's size in pixels

  private:
    friend class FormBuilder;
    QHash<int, QWidget*> byId_;
};

// Turns a template into child widgets of a parent. Each widget with an id gets
// the id as its object name ("1007"). Pixels are dialog units times the base
// units of the form's font. A control too narrow for its text (in the font at
// hand and the language shown) is widened to it, keeping its position. Controls
// 1 and 2 of a QDialog accept and reject it.
class FormBuilder {
  public:
    using Factory = std::function<QWidget*(const ControlSpec&, QWidget* parent)>;

    // Makes the widgets of Kind::Custom controls.
    void setFactory(Factory f) { factory_ = std::move(f); }

    Form build(const FormSpec& spec, QWidget* parent) const;

    // The form font of a template and its base units.
    static QFont formFont(const FormSpec& spec);
    static DialogBaseUnits baseUnits(const QFont& font);

  private:
    Factory factory_;
};

// How many pixels a control's text is wider than the room the control gives it
// (0 when it fits): labels wrap within their height, buttons, check boxes and
// group boxes keep their margins, edits their frame. The text is the control's
// own, or for an edit the given one.
int textOverflow(const QWidget* control, const QString& editText = {});

// The colours both curve windows give their cursor labels (A violet, B green)
// and their interval box (light text on dark grey).
void colourCursorsAndInterval(QWidget* cursorALabel, QWidget* cursorBLabel, QWidget* interval);
