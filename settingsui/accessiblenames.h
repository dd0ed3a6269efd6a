#pragma once
// Names for screen readers and the Tab order, given to a form or page when its
// texts are applied (ApplyTexts), so that no page names its controls by hand.
//
// A control shows its name by its own caption (buttons, check boxes, radio
// buttons, group boxes), by its tool tip (image buttons whose caption is part
// of their picture), or by the label that describes it: the label whose buddy
// it is, else the nearest label to its left on the same row, else the label
// just above it, else the title of the group box it sits in. The fields of a
// control made of several edits (the IP address control) are named after the
// control: "IP Address, field 1 of 4".

class QWidget;

// Gives every control container owns that has no caption of its own an
// accessible name (see above) and makes the describing label its buddy.
void NameForScreenReaders(QWidget* container);

// Orders Tab through the focusable controls container owns, with the fields
// of the controls made of several edits, as they are read: row by row from the
// top, left to right within a row.
void ArrangeTabOrder(QWidget* container);
