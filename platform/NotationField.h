#pragma once
// Text fields whose text is stored in a profile file or sent as one line: the
// send line, the command slots, the prefix and suffix and the port fields.
//
// They have no length limit of their own (a line edit's default is 32,767
// characters, which would cut a long line without a word).
//
// A line break pasted or typed into such a field becomes its token in the
// notation ("<CR>", "<LF>"): the field holds one line, and a raw line break
// would split the profile file the text is written to into other keys and
// sections. A line sent from the field is still the same datagram, because
// the notation turns the tokens back into the same bytes.
#include <QValidator>

class QLineEdit;

class LineBreakToNotation : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int& pos) const override;
};

// Lifts the length limit and installs the line-break rule on a field.
void MakeNotationField(QLineEdit* field);
