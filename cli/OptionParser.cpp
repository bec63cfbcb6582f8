#include "cli/OptionParser.h"

#include <algorithm>
#include <cmath>

#include "cli/Format.h"

namespace lumora::cli {

void TOptionParser::Flag(TOptionNames names, std::function<void()> act) {
  options_.push_back({std::move(names.Names), false, [act = std::move(act)](const auto&, const auto&) {
                        act();
                        return std::string();
                      }});
}

void TOptionParser::Value(TOptionNames names, TTake take) {
  options_.push_back({std::move(names.Names), true, std::move(take)});
}

void TOptionParser::Text(TOptionNames names, std::string& target, const char* says) {
  Value(std::move(names), [&target, says](const auto& v, const std::string& name) {
    if (!v || v->empty()) return name + " " + says;
    target = *v;
    return std::string();
  });
}

void TOptionParser::Number(TOptionNames names, std::function<void(double)> take, std::string says, double min,
                           double max) {
  Value(std::move(names), [take = std::move(take), says = std::move(says), min, max](const auto& v, const auto& name) {
    const std::optional<double> n = v ? ParseNumber(*v) : std::nullopt;
    if (!n || *n < min || *n > max) return name + " " + says;
    take(*n);
    return std::string();
  });
}

void TOptionParser::Number(TOptionNames names, double& target, std::string says, double min, double max) {
  Number(
      std::move(names), [&target](double n) { target = n; }, std::move(says), min, max);
}

void TOptionParser::Whole(TOptionNames names, int& target, std::string says, int min, int max) {
  Value(std::move(names), [&target, says = std::move(says), min, max](const auto& v, const auto& name) {
    const std::optional<double> n = v ? ParseNumber(*v) : std::nullopt;
    if (!n || *n != std::floor(*n) || *n < min || *n > max) return name + " " + says;
    target = static_cast<int>(*n);
    return std::string();
  });
}

void TOptionParser::Choice(TOptionNames names, std::string& target, std::initializer_list<const char*> words,
                           std::string says) {
  Value(std::move(names),
        [&target, words = std::vector(words), says = std::move(says)](const auto& v, const auto& name) {
          if (!v || std::find(words.begin(), words.end(), *v) == words.end()) return name + " " + says;
          target = *v;
          return std::string();
        });
}

void TOptionParser::Operand(std::string& target, const char* missing, const char* extra) {
  operand_ = &target;
  missing_ = missing;
  extra_ = extra;
}

void TOptionParser::Operands(std::vector<std::string>& target, std::optional<size_t> count) {
  operands_ = &target;
  count_ = count;
}

const TOptionParser::TOption* TOptionParser::Find(const std::string& name) const {
  for (const TOption& o : options_)
    if (std::find(o.Names.begin(), o.Names.end(), name) != o.Names.end()) return &o;
  return nullptr;
}

bool TOptionParser::LooksLikeOption(const std::string& arg) const {
  return dashOperands_ ? arg.starts_with("--") : arg.starts_with("-");
}

std::optional<int> TOptionParser::Parse(const Args& args) {
  if (WantsHelp(args, usage_)) return 0;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (const TOption* o = Find(a)) {
      std::optional<std::string> value;
      if (o->TakesValue && i + 1 < args.size()) value = args[++i];
      if (const std::string error = o->Take(value, a); !error.empty()) return UsageError(command_, error);
    } else if (LooksLikeOption(a)) {
      return UsageError(command_, "unknown option '" + a + "'");
    } else if (operands_) {
      operands_->push_back(a);
    } else if (operand_ && operand_->empty()) {
      *operand_ = a;
    } else {
      return UsageError(command_, extra_ ? extra_ : "unexpected argument '" + a + "'");
    }
  }
  if (operand_ && operand_->empty()) return UsageError(command_, missing_);
  if (operands_ && count_ && operands_->size() != *count_)
    return UsageError(command_,
                      "expected " + std::to_string(*count_) + " arguments, got " + std::to_string(operands_->size()));
  return std::nullopt;
}

}  // namespace lumora::cli
