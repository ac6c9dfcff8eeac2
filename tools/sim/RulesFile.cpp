#include "tools/sim/RulesFile.h"

#include <set>
#include <stdexcept>

#include "core/FileErrorMessage.h"
#include "core/SafeFile.h"
#include "tools/common/WaitTime.h"

namespace {

std::string_view Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return lower;
}

class Parser {
 public:
  Parser(const std::string& origin, EndpointRules addresses) : origin_(origin), addresses_(addresses) {}

  void Line(std::string_view line) {
    ++number_;
    const std::string_view text = Trimmed(line);
    if (text.empty() || text.starts_with(';') || text.starts_with('#')) return;
    if (text.starts_with('[')) {
      if (!text.ends_with(']')) Fail("a section header ends with ]");
      Section(Trimmed(text.substr(1, text.size() - 2)));
      return;
    }
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) Fail("expected KEY=VALUE or [SECTION], got '" + std::string(text) + "'");
    Key(std::string(Trimmed(text.substr(0, equals))), std::string(Trimmed(text.substr(equals + 1))));
  }

  Rules Finish() {
    FinishSection();
    if (fallback_) rules_.rules.push_back(std::move(*fallback_));
    return std::move(rules_);
  }

 private:
  enum class Kind { None, Rule, Periodic, Default };

  [[noreturn]] void Fail(const std::string& message, int line = 0) const {
    throw std::runtime_error(origin_ + ":" + std::to_string(line ? line : number_) + ": " + message);
  }

  void Section(std::string_view header) {
    FinishSection();
    const std::size_t blank = header.find_first_of(" \t");
    const std::string kind = Lower(header.substr(0, blank));
    const std::string name(blank == std::string_view::npos ? std::string_view() : Trimmed(header.substr(blank)));
    sectionLine_ = number_;
    seen_.clear();
    if (kind == "rule") {
      kind_ = Kind::Rule;
      rule_ = Rule();
      rule_.name = name.empty() ? "Rule " + std::to_string(rules_.rules.size() + 1) : name;
    } else if (kind == "periodic") {
      kind_ = Kind::Periodic;
      periodic_ = PeriodicRule();
      periodic_.name = name.empty() ? "Periodic " + std::to_string(rules_.periodic.size() + 1) : name;
    } else if (kind == "default" && name.empty()) {
      if (fallback_) Fail("a second [Default] section");
      kind_ = Kind::Default;
      rule_ = Rule();
      rule_.name = "Default";
      rule_.request = RuleLine::Parse("{*}", LineUse::Request);  // matches every datagram
      requestSeen_ = true;
    } else {
      Fail("unknown section [" + std::string(header) + "] (known: [Rule NAME], [Periodic NAME], [Default])");
    }
  }

  // `written` is the key as the file spells it, for messages.
  void Key(const std::string& written, const std::string& value) {
    const std::string key = Lower(written);
    const bool repeatable = key == "reply" || key == "send";
    if (!repeatable && !seen_.insert(key).second) Fail("'" + written + "' given twice in one section");
    try {
      if (kind_ == Kind::Rule || kind_ == Kind::Default) {
        RuleKey(key, value);
      } else if (kind_ == Kind::Periodic) {
        PeriodicKey(key, value);
      } else {
        Fail("'" + written + "' before the first [SECTION]");
      }
    } catch (const std::runtime_error& error) {
      if (std::string_view(error.what()).starts_with(origin_ + ":")) throw;  // already placed by Fail
      Fail(written + ": " + error.what());
    }
  }

  void RuleKey(const std::string& key, const std::string& value) {
    if (key == "request" && kind_ == Kind::Rule) {
      rule_.request = RuleLine::Parse(value, LineUse::Request);
      requestSeen_ = true;
    } else if (key == "reply") {
      rule_.replies.push_back(Timed(value));
    } else if (key == "delay") {
      rule_.delay = Time(value);
    } else {
      throw std::runtime_error(std::string("unknown key (known: ") + (kind_ == Kind::Rule ? "Request, " : "") +
                               "Reply, Delay)");
    }
  }

  void PeriodicKey(const std::string& key, const std::string& value) {
    if (key == "every") {
      periodic_.every = Time(value);
      if (periodic_.every.count() == 0) throw std::runtime_error("must be longer than 0 ms");
    } else if (key == "send") {
      periodic_.sends.push_back(Timed(value));
      if (periodic_.sends.back().line.HighestCapture() > 0)
        throw std::runtime_error("has no request whose {*} it could repeat");
    } else if (key == "to") {
      std::string error;
      periodic_.to = ParseEndpoint(value, addresses_, &error);
      if (!periodic_.to) throw std::runtime_error(error);
    } else if (key == "start") {
      periodic_.start = RuleLine::Parse(value, LineUse::Request);
    } else if (key == "stop") {
      periodic_.stop = RuleLine::Parse(value, LineUse::Request);
    } else {
      throw std::runtime_error("unknown key (known: Every, Send, To, Start, Stop)");
    }
  }

  // "+50ms <ACK>": the delay up to the first blank, then the line.
  static TimedLine Timed(const std::string& value) {
    TimedLine timed;
    std::string_view line = value;
    if (line.starts_with('+')) {
      const std::size_t blank = line.find_first_of(" \t");
      const std::string delay(line.substr(1, blank == std::string_view::npos ? blank : blank - 1));
      std::string error;
      const auto after = ParseWaitTime(delay, &error);
      if (!after) {
        throw std::runtime_error("a line that starts with + names its delay first, as in +50ms <ACK>: " + error +
                                 " (a literal + at the start is written <43>)");
      }
      timed.after = *after;
      line = blank == std::string_view::npos ? std::string_view() : Trimmed(line.substr(blank));
    }
    timed.line = RuleLine::Parse(std::string(line), LineUse::Reply);
    return timed;
  }

  static std::chrono::microseconds Time(const std::string& value) {
    std::string error;
    const auto time = ParseWaitTime(value, &error);
    if (!time) throw std::runtime_error(error);
    return *time;
  }

  void FinishSection() {
    if (kind_ == Kind::Rule || kind_ == Kind::Default) {
      if (!requestSeen_) Fail("[Rule " + rule_.name + "] has no Request", sectionLine_);
      for (const TimedLine& reply : rule_.replies) {
        if (reply.line.HighestCapture() > rule_.request.Wildcards()) {
          Fail("a Reply uses {" + std::to_string(reply.line.HighestCapture()) + "}, but the Request has only " +
                   std::to_string(rule_.request.Wildcards()) + " {*}",
               sectionLine_);
        }
      }
      if (kind_ == Kind::Default) {
        fallback_ = std::move(rule_);
      } else {
        rules_.rules.push_back(std::move(rule_));
      }
    } else if (kind_ == Kind::Periodic) {
      if (periodic_.every.count() == 0 || periodic_.sends.empty()) {
        Fail("[Periodic " + periodic_.name + "] needs Every and at least one Send", sectionLine_);
      }
      rules_.periodic.push_back(std::move(periodic_));
    }
    kind_ = Kind::None;
    requestSeen_ = false;
  }

  const std::string& origin_;
  EndpointRules addresses_;
  int number_ = 0;
  int sectionLine_ = 0;
  Kind kind_ = Kind::None;
  std::set<std::string> seen_;
  bool requestSeen_ = false;
  Rule rule_;
  PeriodicRule periodic_;
  std::optional<Rule> fallback_;
  Rules rules_;
};

}  // namespace

Rules ParseRules(std::string_view text, const std::string& origin, EndpointRules addresses) {
  Parser parser(origin, addresses);
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (line.ends_with('\r')) line.remove_suffix(1);
    parser.Line(line);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  }
  return parser.Finish();
}

std::string ReadRulesFile(const std::string& path) {
  FileContent content = SafeRead(path);
  if (!content.status.Ok()) {
    throw std::runtime_error("cannot read rules file " + path + ": " + FileStatusText(content.status));
  }
  return std::move(content.bytes);
}
