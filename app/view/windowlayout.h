#pragma once

#include <QString>

#include <span>

// Every control of the main window in one table: what it is, where it sits
// (twips, relative to its container) and what it says. The window is built
// from this table in row order, so a container always comes before what it
// holds, and the creation order is the window's control order.

enum class ControlKind {
    Panel,    // FramePanel
    Button,   // PictureButton
    Option,   // OptionButton
    Check,    // CheckBox
    Label,    // QLabel
    Link,     // QLabel that opens a page when clicked
    TextBox,  // QLineEdit
    List,     // pick-only QComboBox
    Progress, // ProgressBar
    Video,    // VideoArea
    Slider,   // the range slider
};

struct ControlSpec
{
    const char *name;      // objectName
    ControlKind kind;
    const char *container; // objectName of the parent; nullptr: the window itself
    int left;
    int top;
    int width;
    int height;
    const char *caption;    // visible text (a label's or button's caption); nullptr: none
    const char *toolTip;    // nullptr: none
    const char *accessible; // accessibleName when there is no caption; nullptr: the caption
};

std::span<const ControlSpec> windowLayout();

// A caption, tool tip or accessible text of the table in the user's language
// (the table marks them for translation, context "WindowLayout"); empty for
// nullptr. Glyphs, names and values that the table leaves unmarked come back
// as they are.
QString layoutText(const char *text);

// The row for a control, or nullptr.
const ControlSpec *findControlSpec(QStringView name);

// True for a label or button whose visible text is what a screen reader
// should read, now and after every change of it. A one-character glyph
// ("!", "X") is no such text: those keep their fixed names.
bool speaksItsText(const ControlSpec &spec);

// The role a control's text speaks for, as its accessible description; empty
// where the row gives none or only repeats the caption (the tool tip then
// describes the control).
QString accessibleRoleOf(const ControlSpec &spec);

// The accessible name a control gets: its own when given, else its caption
// without the accelerator ampersands and a trailing colon; translated.
QString accessibleNameOf(const ControlSpec &spec);

// The window's size in twips: the main panel's.
inline constexpr int kWindowWidthTwips = 10920;
inline constexpr int kWindowHeightTwips = 8070;
