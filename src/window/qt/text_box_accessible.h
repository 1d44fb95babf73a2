#pragma once
// What a screen reader is told of the multi-line boxes: an editable text of
// many lines, its caret, selection and characters, and edits through it.

namespace drill {

// Installs the interface for CodePageTextEdit once per program.
void installTextBoxAccessibility();

}  // namespace drill
