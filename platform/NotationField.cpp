#include "platform/NotationField.h"

#include <QLineEdit>
#include <limits>

QValidator::State LineBreakToNotation::validate(QString& input, int& pos) const {
  if (!input.contains(QLatin1Char('\r')) && !input.contains(QLatin1Char('\n'))) return Acceptable;
  QString converted;
  converted.reserve(input.size() + 8);
  int newPos = pos;
  for (qsizetype i = 0; i < input.size(); ++i) {
    const QChar c = input[i];
    const QLatin1String token = c == QLatin1Char('\r')   ? QLatin1String("<CR>")
                                : c == QLatin1Char('\n') ? QLatin1String("<LF>")
                                                         : QLatin1String();
    if (token.isEmpty()) {
      converted += c;
      continue;
    }
    converted += token;
    if (i < pos) newPos += static_cast<int>(token.size()) - 1;
  }
  input = converted;
  pos = newPos;
  return Acceptable;
}

void MakeNotationField(QLineEdit* field) {
  field->setMaxLength(std::numeric_limits<int>::max());
  field->setValidator(new LineBreakToNotation(field));
}
