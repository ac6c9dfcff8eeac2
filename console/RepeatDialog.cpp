#include "console/RepeatDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <array>
#include <charconv>
#include <optional>
#include <string_view>
#include <utility>

#include "core/Platform.h"
#include "dialogs/EventGuard.h"
#include "platform/WidgetBuilding.h"

namespace {

struct UnitInfo {
  const char* name;
  std::int64_t milliseconds;
  std::uint64_t most;  // 24 h in this unit
};
constexpr std::array<UnitInfo, kRepeatUnitCount> kUnits = {{
    {"ms", 1, 86'400'000},
    {"s", 1000, 86'400},
    {"min", 60'000, 1440},
    {"h", 3'600'000, 24},
}};

const UnitInfo& Unit(RepeatUnit unit) { return kUnits.at(static_cast<std::size_t>(unit)); }

// A whole number from 1 to `most`, blanks around it allowed; nothing otherwise.
std::optional<std::uint64_t> WholeNumber(std::string_view text, std::uint64_t most) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return std::nullopt;
  text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 1 || value > most) return std::nullopt;
  return value;
}

}  // namespace

std::variant<RepeatRequest, RepeatInputError> ReadRepeatInput(const RepeatInput& input, const RepeatSources& sources) {
  RepeatRequest request;
  request.source = std::clamp(input.source, 0, kCommandSlotCount);
  request.line = request.source == 0 ? sources.sendLine : sources.commands.at(request.source - 1);
  if (request.line.empty()) {
    return RepeatInputError{RepeatField::Source,
                            request.source == 0
                                ? fkt_LoadResText(8372)
                                : fkt_FormatInsertParam(fkt_LoadResText(8373), std::to_string(request.source))};
  }
  const UnitInfo& unit = Unit(input.unit);
  const std::optional<std::uint64_t> period = WholeNumber(input.period, unit.most);
  if (!period) {
    return RepeatInputError{RepeatField::Period,
                            fkt_FormatInsertParam(fkt_LoadResText(8370), std::to_string(unit.most), unit.name)};
  }
  request.period = std::chrono::milliseconds(static_cast<std::int64_t>(*period) * unit.milliseconds);
  request.periodText = std::to_string(*period) + " " + unit.name;
  if (!input.untilStopped) {
    const std::optional<std::uint64_t> count = WholeNumber(input.count, kRepeatMaxCount);
    if (!count) {
      return RepeatInputError{RepeatField::Count,
                              fkt_FormatInsertParam(fkt_LoadResText(8371), std::to_string(kRepeatMaxCount))};
    }
    request.count = *count;
  }
  return request;
}

std::string RepeatStatusShortText(const RepeatRequest& request, std::uint64_t sent) {
  return request.count == 0
             ? fkt_FormatInsertParam(fkt_LoadResText(8377), std::to_string(sent))
             : fkt_FormatInsertParam(fkt_LoadResText(8376), std::to_string(sent), std::to_string(request.count));
}

std::string RepeatStatusText(const RepeatRequest& request, std::uint64_t sent, std::uint64_t skipped) {
  const std::string progress = RepeatStatusShortText(request, sent);
  std::string text = request.source == 0 ? fkt_FormatInsertParam(fkt_LoadResText(8374), request.periodText, progress)
                                         : fkt_FormatInsertParam(fkt_LoadResText(8375), std::to_string(request.source),
                                                                 request.periodText, progress);
  if (skipped > 0) text += fkt_FormatInsertParam(fkt_LoadResText(8378), std::to_string(skipped));
  return text;
}

RepeatDialog::RepeatDialog(RepeatSources sources, const RepeatInput& last, QWidget* parent)
    : QDialog(parent), sources_(std::move(sources)) {
  setObjectName("frmRepeat");
  setWindowTitle(ResText(8362));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

  cboRepeatSource = Named(new QComboBox(this), "cboRepeatSource");
  cboRepeatSource->addItem(ToQString(fkt_FormatInsertParam(fkt_LoadResText(8364), sources_.sendLine)));
  for (int n = 1; n <= kCommandSlotCount; ++n) {
    cboRepeatSource->addItem(QStringLiteral("F%1: ").arg(n) + ToQString(sources_.commands.at(n - 1)));
  }
  cboRepeatSource->setCurrentIndex(std::clamp(last.source, 0, kCommandSlotCount));
  txtRepeatPeriod = Named(new QLineEdit(ToQString(last.period), this), "txtRepeatPeriod");
  cboRepeatUnit = Named(new QComboBox(this), "cboRepeatUnit");
  for (const UnitInfo& unit : kUnits) cboRepeatUnit->addItem(QString::fromLatin1(unit.name));
  cboRepeatUnit->setCurrentIndex(static_cast<int>(last.unit));
  txtRepeatCount = Named(new QLineEdit(ToQString(last.count), this), "txtRepeatCount");
  chkRepeatUntilStopped = Named(new QCheckBox(ResText(8367), this), "chkRepeatUntilStopped");
  chkRepeatUntilStopped->setChecked(last.untilStopped);
  txtRepeatCount->setEnabled(!last.untilStopped);
  connect(chkRepeatUntilStopped, &QCheckBox::toggled, txtRepeatCount,
          [this](bool on) { txtRepeatCount->setEnabled(!on); });
  cmdRepeatStart = Named(new QPushButton(ResText(8368), this), "cmdRepeatStart");
  cmdRepeatStart->setDefault(true);
  cmdRepeatCancel = Named(new QPushButton(ResText(8369), this), "cmdRepeatCancel");
  connect(cmdRepeatStart, &QPushButton::clicked, this,
          [this] { GuardEvent("cmdRepeatStart_Click", [this] { cmdRepeatStart_Click(); }); });
  connect(cmdRepeatCancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* period = new QHBoxLayout;
  period->addWidget(txtRepeatPeriod, 1);
  period->addWidget(cboRepeatUnit);
  auto* count = new QHBoxLayout;
  count->addWidget(txtRepeatCount, 1);
  count->addWidget(chkRepeatUntilStopped);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(cmdRepeatStart);
  buttons->addWidget(cmdRepeatCancel);
  auto* form = new QFormLayout(this);
  form->addRow(ResText(8363), cboRepeatSource);
  form->addRow(ResText(8365), period);
  form->addRow(ResText(8366), count);
  form->addRow(buttons);
  setMinimumWidth(Px(6000));
}

RepeatInput RepeatDialog::Input() const {
  RepeatInput input;
  input.source = cboRepeatSource->currentIndex();
  input.period = FromQString(txtRepeatPeriod->text());
  input.unit = static_cast<RepeatUnit>(cboRepeatUnit->currentIndex());
  input.count = FromQString(txtRepeatCount->text());
  input.untilStopped = chkRepeatUntilStopped->isChecked();
  return input;
}

void RepeatDialog::cmdRepeatStart_Click() {
  const auto read = ReadRepeatInput(Input(), sources_);
  if (const auto* request = std::get_if<RepeatRequest>(&read)) {
    request_ = *request;
    accept();
    return;
  }
  // Said once, and the dialog stays open on the field to mend.
  const auto& error = std::get<RepeatInputError>(read);
  CurrentPlatform().ShowMessage(error.text, std::string(), MessageIcon::Error);
  QWidget* field = error.field == RepeatField::Source   ? static_cast<QWidget*>(cboRepeatSource)
                   : error.field == RepeatField::Period ? static_cast<QWidget*>(txtRepeatPeriod)
                                                        : static_cast<QWidget*>(txtRepeatCount);
  field->setFocus(Qt::OtherFocusReason);
  if (auto* line = qobject_cast<QLineEdit*>(field)) line->selectAll();
}
