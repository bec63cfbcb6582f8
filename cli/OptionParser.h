#pragma once
// The argument parser every subcommand uses. A command names its options
// and operands, then parses:
//
//   TOptionParser parser("volume", kUsage);
//   parser.Operand(file, "no plot file given");
//   parser.Whole("--layers", layers, "takes a whole number from 1 to 10", 1, 10);
//   parser.Flag("--json", json);
//   if (const auto status = parser.Parse(args)) return *status;
//
// Parse prints the usage on --help or -h anywhere (status 0), or the first
// usage error in argument order (status 2); nothing means the arguments
// hold. A value is the next argument, whatever it looks like. A helper's
// error is the option as typed followed by its `says` text
// ("--layers takes a whole number from 1 to 10"); an option with no value
// after it gets the same error.

#include <functional>
#include <initializer_list>
#include <limits>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "cli/Commands.h"

namespace lumora::cli {

// One option's spellings: "--json", or {"-o", "--output"}.
struct TOptionNames {
  TOptionNames(const char* name) : Names{name} {}
  TOptionNames(std::initializer_list<const char*> names) : Names(names.begin(), names.end()) {}
  std::vector<std::string> Names;
};

class TOptionParser {
 public:
  // Takes an option's value (nothing when the arguments end after the
  // option's name, as typed) and returns its usage error, empty when taken.
  using TTake = std::function<std::string(const std::optional<std::string>& value, const std::string& name)>;

  TOptionParser(const char* command, const char* usage) : command_(command), usage_(usage) {}

  void Flag(TOptionNames names, std::function<void()> act);
  void Flag(TOptionNames names, bool& target) { Flag(std::move(names), target, true); }
  template <class T>
  void Flag(TOptionNames names, T& target, std::type_identity_t<T> value) {
    Flag(std::move(names), [&target, value] { target = value; });
  }

  void Value(TOptionNames names, TTake take);
  // Any text but the empty one ("needs a file name").
  void Text(TOptionNames names, std::string& target, const char* says);
  // A finite number in [min, max].
  void Number(TOptionNames names, std::function<void(double)> take, std::string says,
              double min = std::numeric_limits<double>::lowest(), double max = std::numeric_limits<double>::max());
  void Number(TOptionNames names, double& target, std::string says, double min = std::numeric_limits<double>::lowest(),
              double max = std::numeric_limits<double>::max());
  // A number in [min, max] without a fraction ("3", "3.0" and "3e0" alike).
  void Whole(TOptionNames names, int& target, std::string says, int min, int max);
  // One of the words, each standing for its value.
  template <class T>
  void Choice(TOptionNames names, T& target,
              std::initializer_list<std::pair<const char*, std::type_identity_t<T>>> words, std::string says) {
    Value(std::move(names),
          [&target, words = std::vector(words), says = std::move(says)](const auto& v, const auto& name) {
            for (const auto& [word, value] : words)
              if (v == word) {
                target = value;
                return std::string();
              }
            return name + " " + says;
          });
  }
  // One of the words, kept as written.
  void Choice(TOptionNames names, std::string& target, std::initializer_list<const char*> words, std::string says);

  // The one operand: `missing` when none is given, `extra` for a second.
  void Operand(std::string& target, const char* missing, const char* extra = "more than one file given");
  // Exactly `count` operands ("expected 2 arguments, got 3"); with no count, any number.
  void Operands(std::vector<std::string>& target, std::optional<size_t> count = std::nullopt);
  // Operands may start with one dash (a station pattern "-1"); options start with two.
  void DashOperands() { dashOperands_ = true; }

  // 0 after printing the usage, 2 after a usage error, nothing when the arguments hold.
  std::optional<int> Parse(const Args& args);

 private:
  struct TOption {
    std::vector<std::string> Names;
    bool TakesValue;
    TTake Take;
  };
  const TOption* Find(const std::string& name) const;
  bool LooksLikeOption(const std::string& arg) const;

  const char* command_;
  const char* usage_;
  std::vector<TOption> options_;
  std::string* operand_ = nullptr;
  const char* missing_ = nullptr;
  const char* extra_ = nullptr;
  std::vector<std::string>* operands_ = nullptr;
  std::optional<size_t> count_;
  bool dashOperands_ = false;
};

}  // namespace lumora::cli
