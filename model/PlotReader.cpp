#include "model/PlotReader.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <new>
#include <stdexcept>
#include <string>

#include <fast_float/fast_float.h>

#include "platform/FileBytes.h"
#include "platform/Settings.h"

namespace lumora {

const char* const kOutOfMemoryMessage =
    "Out of Memory - File Partially Loaded\r\nClose Applications or Install More Memory";

namespace {

double gMetresPerFoot = kInternationalFootMetres;

constexpr char kCR = '\r';
constexpr char kLF = '\n';
constexpr char kFF = '\f';
constexpr char kCtrlZ = 26;

class EPlotRead : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::string Shown(std::string_view token) {
  constexpr size_t kMax = 40;
  return token.size() > kMax ? std::string(token.substr(0, kMax)) + "..." : std::string(token);
}

// Out-of-range doubles become infinities the way the hardware would,
// without the undefined conversion.
float ToSingle(double v) {
  if (v > FLT_MAX) return INFINITY;
  if (v < -FLT_MAX) return -INFINITY;
  return static_cast<float>(v);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Plain decimals of up to 15 digits, the plot file's usual numbers, read in
// the same pass that finds their end: the digits as an exact integer divided
// by an exact power of ten is the correctly rounded value. Returns the end
// of the number, or null when the text needs the general parser.
const char* ScanSimpleDecimal(const char* p, const char* end, char stop, double& value) {
  static constexpr double kPow10[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                      1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  const bool negative = p < end && *p == '-';
  if (negative) ++p;
  // Up to 19 digits cannot overflow the mantissa; more than 15 are refused
  // below anyway, so the digit loops need no count of their own.
  uint64_t mantissa = 0;
  const char* first = p;
  while (p < end && IsDigit(*p)) mantissa = mantissa * 10 + static_cast<uint64_t>(*p++ - '0');
  int digits = static_cast<int>(p - first), decimals = 0;
  if (p < end && *p == '.') {
    const char* fraction = ++p;
    while (p < end && IsDigit(*p)) mantissa = mantissa * 10 + static_cast<uint64_t>(*p++ - '0');
    decimals = static_cast<int>(p - fraction);
    digits += decimals;
  }
  if (digits == 0 || digits > 15) return nullptr;
  if (p<end&& static_cast<unsigned char>(*p)> ' ' && *p != stop) return nullptr;
  value = static_cast<double>(mantissa) / kPow10[decimals];
  if (negative) value = -value;
  return p;
}

// Reads the items of plot file lines. `last_` is the last character the
// reader took note of: a search is only made while it is not a line end.
// Line ends are never consumed by an item, so the line skip that follows
// each line always stops at the right line feed; a line feed counts as a
// line end too, so files with bare line feeds never lose a line.
class TPlotScanner {
 public:
  explicit TPlotScanner(std::string_view text)
      : begin_(text.data()), p_(text.data()), end_(text.data() + std::min(text.find(kCtrlZ), text.size())) {}

  bool AtEnd() const { return p_ >= end_; }
  size_t Offset() const { return static_cast<size_t>(p_ - begin_); }
  std::string_view Consumed() const { return {begin_, Offset()}; }

  char LineLetter() {
    last_ = *p_++;
    return last_;
  }
  bool NextIs(char c) const { return !AtEnd() && *p_ == c; }
  void Skip() { ++p_; }

  void SkipLine() {
    while (p_ < end_ && *p_ != kLF) ++p_;
    if (p_ < end_) ++p_;
  }

  std::string_view Token(size_t capacity) {
    while (!AtEnd()) {
      const auto c = static_cast<unsigned char>(*p_);
      if (c == kCR || c == kLF) return EndAtLine();
      if (c == kFF) {
        last_ = *p_++;
        return {};
      }
      if (c > ' ') break;
      ++p_;
    }
    if (AtEnd()) return EndAtLine();
    const char* start = p_;
    while (!AtEnd() && static_cast<unsigned char>(*p_) > ' ') ++p_;
    std::string_view token(start, static_cast<size_t>(p_ - start));
    NoteTerminator();
    return token.substr(0, capacity);
  }

  std::string_view Text(size_t capacity) {
    while (!AtEnd() && static_cast<unsigned char>(*p_) < ' ' && *p_ != kCR && *p_ != kLF && *p_ != kFF) ++p_;
    const char* start = p_;
    while (!AtEnd() && static_cast<unsigned char>(*p_) >= ' ') ++p_;
    std::string_view text(start, static_cast<size_t>(p_ - start));
    NoteTerminator();
    return text.substr(0, capacity);
  }

  // `stop` also ends the number, for a number followed directly by a colon.
  double Number(char stop = ' ') {
    while (!AtEnd() && static_cast<unsigned char>(*p_) <= ' ') ++p_;
    double value = 0;
    if (const char* after = ScanSimpleDecimal(p_, end_, stop, value)) {
      p_ = after;
      return value;
    }
    std::string_view token = NumberToken(stop);
    // The general parser would also take "inf" and "nan".
    for (char c : token)
      if (!IsDigit(c) && c != '.' && c != 'e' && c != 'E' && c != '+' && c != '-') BadNumber(token);
    std::string_view digits = token.front() == '+' ? token.substr(1) : token;
    auto r = fast_float::from_chars(digits.data(), digits.data() + digits.size(), value);
    // Overflow comes back as an infinity (an error); underflow as zero.
    if (digits.empty() || r.ec != std::errc() || r.ptr != digits.data() + digits.size() || !std::isfinite(value))
      BadNumber(token);
    return value;
  }

  int Integer() {
    std::string_view token = NumberToken();
    std::string_view digits = token.front() == '+' ? token.substr(1) : token;
    int value = 0;
    auto r = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || r.ec != std::errc() || r.ptr != digits.data() + digits.size()) BadNumber(token);
    return value;
  }

  bool Search(char letter) {
    if (last_ == kCR) return false;
    while (!AtEnd()) {
      const char c = *p_;
      if (c == kCR || c == kLF) {
        EndAtLine();
        return false;
      }
      ++p_;
      if (c == letter) {
        last_ = c;
        return true;
      }
    }
    return false;
  }

  bool LineEnded() const { return last_ == kCR; }

  // Characters up to the next space or line end.
  std::string_view Flags(size_t capacity) {
    const char* start = p_;
    while (!AtEnd() && *p_ != ' ' && *p_ != kCR && *p_ != kLF) ++p_;
    std::string_view flags(start, static_cast<size_t>(p_ - start));
    NoteTerminator();
    return flags.substr(0, capacity);
  }

  // The quoted text after the search has found the opening quote; a
  // backslash takes the next character literally, but never a line end.
  std::string QuotedText() {
    std::string text;
    while (!AtEnd()) {
      char c = *p_;
      if (c == kCR || c == kLF) {
        EndAtLine();
        break;
      }
      ++p_;
      if (c == '"' || c == kFF) {
        last_ = c;
        break;
      }
      if (c == '\\') {
        if (AtEnd() || *p_ == kCR || *p_ == kLF) continue;
        c = *p_++;
      }
      text += c;
    }
    return text;
  }

  // Skips to the first digit or '.', remembering a sign passed over just
  // before it. A value missing from its line reads as 0 and leaves the next
  // line alone.
  double TolerantNumber() {
    int sign = 0;
    while (true) {
      if (AtEnd() || *p_ == kCR || *p_ == kLF) return 0;
      const char c = *p_;
      if (IsDigit(c) || c == '.') break;
      ++p_;
      sign = c == '-' ? -1 : c == '+' ? 1 : 0;
    }
    const char* start = p_;
    while (!AtEnd() && (IsDigit(*p_) || *p_ == '.' || *p_ == 'e' || *p_ == 'E' || *p_ == '+' || *p_ == '-')) ++p_;
    std::string_view token(start, static_cast<size_t>(p_ - start));
    double value = 0;
    auto r = fast_float::from_chars(token.data(), token.data() + token.size(), value);
    if (r.ec != std::errc() || r.ptr != token.data() + token.size() || !std::isfinite(value)) BadNumber(token);
    return sign < 0 ? -value : value;
  }

 private:
  std::string_view EndAtLine() {
    last_ = kCR;
    return {};
  }

  void NoteTerminator() {
    if (AtEnd()) return;
    if (*p_ == kCR || *p_ == kLF)
      last_ = kCR;
    else
      last_ = *p_++;
  }

  std::string_view NumberToken(char stop = ' ') {
    while (!AtEnd() && static_cast<unsigned char>(*p_) <= ' ') ++p_;
    if (AtEnd()) throw EPlotRead("Unexpected end of file: a number is missing");
    const char* start = p_;
    while (!AtEnd() && static_cast<unsigned char>(*p_) > ' ' && *p_ != stop) ++p_;
    return {start, static_cast<size_t>(p_ - start)};
  }

  [[noreturn]] static void BadNumber(std::string_view token) {
    throw EPlotRead("\"" + Shown(token) + "\" is not a valid number");
  }

  const char* begin_;
  const char* p_;
  const char* end_;
  char last_ = 0;
};

int DaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2 && ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0)) return 29;
  return kDays[month - 1];
}

// Month, day and year as the file gives them, packed and clamped.
PackedDate ReadDate(TPlotScanner& in) {
  const int month = in.Integer() & 0xFF;
  const int day = in.Integer() & 0xFF;
  int year = static_cast<int16_t>(in.Integer() & 0xFFFF);
  if (year <= 0) year = 1;
  const int m = std::clamp(month, 1, 12);
  const int d = std::clamp(day, 1, DaysInMonth(year, m));
  return PackDate(year, m, d);
}

struct TBox {
  T3DVector min, max;
};

// Ten billion feet, about eighty times round the Earth: no survey comes
// near, and sums and squares of positions stay far from overflowing.
constexpr double kFarthestPosition = 1e10;

double Position(TPlotScanner& in) {
  const double value = in.Number();
  if (std::fabs(value) > kFarthestPosition) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    throw EPlotRead(std::string(text, end) + " feet is too far out for a position (more than 1e10 feet)");
  }
  return value;
}

// North min, north max, east min, east max, elevation min, elevation max.
TBox ReadBox(TPlotScanner& in) {
  TBox b;
  b.min.y = Position(in);
  b.max.y = Position(in);
  b.min.x = Position(in);
  b.max.x = Position(in);
  b.min.z = Position(in);
  b.max.z = Position(in);
  return b;
}

std::string CommentText(std::string raw, bool& marked) {
  std::string text;
  text.reserve(raw.size());
  for (size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] != '|') {
      text += raw[i];
      continue;
    }
    text += "\r\n";
    if (i + 1 < raw.size() && raw[i + 1] == ' ') ++i;
  }
  for (size_t i = 0; i + 3 <= text.size(); ++i)
    if (text[i] == '{' && (text[i + 1] == 'P' || text[i + 1] == 'p') && text[i + 2] == '}') {
      text.erase(i, 3);
      marked = true;
      break;
    }
  return text;
}

class TPlotLoader {
 public:
  TPlotLoader(TPlotModel& model, std::string_view text, const TPlotProgress& progress)
      : model_(model), in_(text), progress_(progress) {}

  void Run() {
    while (!in_.AtEnd()) {
      const char letter = in_.LineLetter();
      if (letter == kLF) {
        ++linesHandled_;
        continue;
      }
      HandleLine(letter);
      in_.SkipLine();
      ++linesHandled_;
    }
  }

  void Report() {
    if (progress_) progress_(surveyLines_, plotLines_);
  }
  int LinesHandled() const { return linesHandled_; }
  const TPlotScanner& Scanner() const { return in_; }

 private:
  void HandleLine(char letter) {
    switch (letter) {
      case 'Z': {
        TBox b = ReadBox(in_);
        model_.PlotInfo.Min = {std::min(model_.PlotInfo.Min.x, b.min.x), std::min(model_.PlotInfo.Min.y, b.min.y),
                               std::min(model_.PlotInfo.Min.z, b.min.z)};
        model_.PlotInfo.Max = {std::max(model_.PlotInfo.Max.x, b.max.x), std::max(model_.PlotInfo.Max.y, b.max.y),
                               std::max(model_.PlotInfo.Max.z, b.max.z)};
        if (in_.Search('I')) in_.Number();
        break;
      }
      case 'S':
        model_.Sections.Add(TSectionRec{in_.Text(80), model_.Surveys.Count()});
        break;
      case 'N':
        ReadSurvey();
        break;
      case 'F':
        ReadFeature();
        break;
      case 'E':
        in_.Token(255);
        if (in_.Search('D')) survey_.DiscoveryDate = ReadDate(in_);
        break;
      case 'X': {
        TBox b = ReadBox(in_);
        survey_.Min = b.min;
        survey_.Max = b.max;
        model_.Surveys.Add(survey_);
        break;
      }
      case 'M':
      case 'D':
      case 'd':
      case 'L':
        ReadPlotRecord(letter);
        break;
      case 'G': {
        const int zone = in_.Integer();
        // Southern zones count down from -1; there are sixty each way.
        if (zone < -60 || zone > 60) throw EPlotRead("UTM zone " + std::to_string(zone) + " is not a zone");
        model_.PlotInfo.Zone = zone;
        if (zone != 0) model_.PlotInfo.HasZone = true;
        break;
      }
      case 'O':
        model_.PlotInfo.Datum = in_.Text(255);
        break;
      case 'V':
        if (in_.NextIs('A')) {
          in_.Skip();
          ReadSplays();
        }
        break;
      case 'U':
        in_.Text(255);
        break;
      case 'C':
      case 'K':
        in_.Integer();
        break;
      case 'P':  // a fixed station: its trailing "/text/" lies on the skipped rest of the line
        in_.Token(20);
        for (int i = 0; i < 3; ++i) in_.Number();
        break;
      case 'R':
        ReadLoop();
        break;
      case 'T': {
        in_.Token(255);
        const int n = in_.Integer();
        for (int i = 0; i < 3; ++i) in_.Number();
        for (long long i = 0; i < 9LL * n; ++i) in_.Number();
        break;
      }
      default:
        break;
    }
  }

  void ReadSurvey() {
    survey_.Kind = skSurvey;
    survey_.Name = in_.Token(20);
    PackedDate date = kNoDate;
    survey_.Comment = "";
    if (in_.Search('D')) {
      date = ReadDate(in_);
      if (in_.Search('C')) survey_.Comment = in_.Text(255);
    }
    survey_.SurveyDate = survey_.DiscoveryDate = date;
    StartSurveyRecord();
  }

  void ReadFeature() {
    survey_.Name = in_.Token(20);
    if (in_.Search('R')) {
      featureLow_ = in_.TolerantNumber();
      featureHigh_ = in_.TolerantNumber();
      survey_.Kind = skFeatureRange;
    } else {
      survey_.Kind = skFeature;
    }
    StartSurveyRecord();
  }

  void StartSurveyRecord() {
    survey_.IsFeature = survey_.Kind != skSurvey;
    survey_.FirstPlot = model_.Plots.Count();
    survey_.FirstLine = model_.LineStarts.Count();
    if (++surveyLines_ % 10 == 0) Report();
  }

  void ReadPlotRecord(char letter) {
    if (letter == 'M' || letter == 'L') model_.LineStarts.Add(model_.Plots.Count());
    TPlotVector r;
    r.Position.y = Position(in_);
    r.Position.x = Position(in_);
    r.Position.z = Position(in_);
    r.Code = letter;
    r.ShotIndex = shots_;
    if (in_.Search('S')) model_.SetName(r, in_.Token(SIZE_MAX), true);
    if (in_.Search('P')) {
      r.Left = ToSingle(in_.Number());
      r.Up = ToSingle(in_.Number());
      r.Down = ToSingle(in_.Number());
      r.Right = ToSingle(in_.Number());
      model_.PlotInfo.AddExtent(r.Position.z + r.Up, r.Position.z - r.Down);
    }
    if (letter == 'L') {
      if (in_.Search('V')) {
        r.Right = ToSingle(in_.TolerantNumber());
        r.Down = ToSingle(featureLow_);
        r.Up = ToSingle(featureHigh_);
        r.Code = 'V';
      }
    } else {
      if (in_.Search('I')) r.IValue = in_.Number();
      if (in_.Search('F')) r.Flags = in_.Flags(10);
      if (!in_.LineEnded() && in_.Search('"')) r.Comment = CommentText(in_.QuotedText(), r.Marked);
    }
    model_.Plots.Add(std::move(r));
    if (letter == 'D' || letter == 'd') ++shots_;
    if (++plotLines_ % 200 == 0) Report();
  }

  void ReadSplays() {
    const std::string from(in_.Token(20));
    T3DVector fromPos;
    fromPos.x = in_.Number();
    fromPos.y = in_.Number();
    fromPos.z = in_.Number();
    const int n = in_.Integer();
    for (int i = 0; i < n; ++i) {
      const std::string to(in_.Token(20));
      T3DVector toPos;
      toPos.x = in_.Number();
      toPos.y = in_.Number();
      toPos.z = in_.Number();
      model_.Splays.AddSplay(from, fromPos, to, toPos);
    }
  }

  void ReadLoop() {
    const int n = in_.Integer();
    // Tokens stop at the line end, so once it is reached the rest are empty.
    for (long long i = 0; i < 3LL + std::max(n, 0) && !in_.LineEnded() && !in_.AtEnd(); ++i) in_.Token(255);
    if (in_.Search('S')) in_.Number(':');
  }

  TPlotModel& model_;
  TPlotScanner in_;
  const TPlotProgress& progress_;
  TSurveyID survey_;
  double featureLow_ = 0, featureHigh_ = 0;
  int shots_ = 0;
  int surveyLines_ = 0;
  int plotLines_ = 0;
  int linesHandled_ = 0;
};

// "Line: " with the count of complete lines before `offset`, the last of
// them in quotes, and the number of lines handled.
std::string LineReport(std::string_view consumed, int linesHandled) {
  int complete = 0;
  size_t lastStart = 0, lastEnd = 0, lineStart = 0;
  for (size_t i = 0; i < consumed.size(); ++i) {
    const char c = consumed[i];
    if (c == kCR || (c == kLF && (i == 0 || consumed[i - 1] != kCR))) {
      ++complete;
      lastStart = lineStart;
      lastEnd = i;
    }
    if (c == kLF) lineStart = i + 1;
    if (c == kCR) lineStart = (i + 1 < consumed.size() && consumed[i + 1] == kLF) ? i + 2 : i + 1;
  }
  std::string last(complete ? consumed.substr(lastStart, lastEnd - lastStart) : std::string_view{});
  return "Line: " + std::to_string(complete) + " \"" + last + " " + std::to_string(linesHandled);
}

TPlotLoadResult Fail(std::string message, const TMessageProc& warn) {
  if (warn) warn(message);
  return {false, std::move(message), {}};
}

// The end-of-file mark ends the read; bytes after it are worth a word.
std::string EndMarkWarning(std::string_view text, const std::string& fileName) {
  const size_t mark = text.find(kCtrlZ);
  if (mark == std::string_view::npos || mark + 1 >= text.size()) return {};
  const size_t line = 1 + static_cast<size_t>(std::count(text.begin(), text.begin() + mark, kLF));
  const size_t after = text.size() - mark - 1;
  return "\"" + fileName + "\": an end-of-file mark in line " + std::to_string(line) + " ended the read; the " +
         std::to_string(after) + (after == 1 ? " byte after it was" : " bytes after it were") + " not read";
}

}  // namespace

double MetresPerFoot() { return gMetresPerFoot; }
double FeetPerMetre() { return 1.0 / gMetresPerFoot; }
void SetMetresPerFoot(double metres) { gMetresPerFoot = metres; }

void InitPlotUnits() {
  SetMetresPerFoot(ReadMetresPerFoot(FamilyMainSettingsPath()));
  FamilySettingsFolder();
}

namespace {

// How many lines of the text begin with each character, up to the Ctrl-Z
// that ends the file.
std::array<int, 256> LineLetterCounts(std::string_view text) {
  std::array<int, 256> counts{};
  text = text.substr(0, std::min(text.find(kCtrlZ), text.size()));
  for (size_t start = 0; start < text.size();) {
    ++counts[static_cast<unsigned char>(text[start])];
    const size_t lf = text.find(kLF, start);
    if (lf == std::string_view::npos) break;
    start = lf + 1;
  }
  return counts;
}

// Sizes the record lists for the file's record lines once, so that a big
// cave is not copied again at every growth step of its million records.
void ReserveForRecords(TPlotModel& model, std::string_view text) {
  const std::array<int, 256> n = LineLetterCounts(text);
  const int lines = n['M'] + n['L'];
  const int records = lines + n['D'] + n['d'];
  if (records > model.Plots.Capacity()) model.Plots.SetCapacity(records);
  if (lines > model.LineStarts.Capacity()) model.LineStarts.SetCapacity(lines);
  if (n['X'] > model.Surveys.Capacity()) model.Surveys.SetCapacity(n['X']);
  model.Names.Reserve(static_cast<size_t>(records), 0);
}

// Reads `text` into a model that the caller has just cleared.
TPlotLoadResult ReadIntoModel(TPlotModel& model, std::string_view text, const TPlotProgress& progress,
                              const TMessageProc& warn) {
  model.PlotInfo.FileKind = "plot";
  TPlotLoader loader(model, text, progress);
  try {
    ReserveForRecords(model, text);
    loader.Run();
  } catch (const std::bad_alloc&) {
    return Fail(kOutOfMemoryMessage, warn);
  } catch (const std::exception& e) {
    return Fail(std::string(e.what()) + "\r\n" + LineReport(loader.Scanner().Consumed(), loader.LinesHandled()), warn);
  }

  SetEndOfLoadValues(model);
  loader.Report();
  return {true, {}, EndMarkWarning(text, model.PlotInfo.FileName)};
}

}  // namespace

void SetEndOfLoadValues(TPlotModel& model) {
  TPlotInfo& info = model.PlotInfo;
  info.DepthRange = info.Max.z - info.Min.z;
  if (info.DepthRange == 0) info.DepthRange = 0.1;
  if (model.Plots.Count() == 0) {
    info.FirstPosition = info.Center = T3DVector{};
  } else {
    info.FirstPosition = model.Plots[0].Position;
    info.Center = {(info.Max.x + info.Min.x) / 2, (info.Max.y + info.Min.y) / 2, (info.Max.z + info.Min.z) / 2};
  }
  if (model.Sections.Count() == 0) model.Sections.Add(TSectionRec{"(None)", 0});
  model.Splays.Trim();
  model.Names.Trim();
  info.Loaded = true;
}

TPlotLoadResult LoadPlotText(TPlotModel& model, std::string_view text, const std::string& fileName,
                             const TPlotProgress& progress, const TMessageProc& warn) {
  model.PlotInfo.FileName = fileName;
  model.ClearPlotModel();
  return ReadIntoModel(model, text, progress, warn);
}

TPlotLoadResult LoadPlotFile(TPlotModel& model, const std::string& fileName, const TPlotProgress& progress,
                             const TMessageProc& warn) {
  model.PlotInfo.FileName = fileName;
  model.ClearPlotModel();
  TFileBytes text;
  try {
    text = TFileBytes(fileName);
  } catch (const std::bad_alloc&) {
    return Fail(kOutOfMemoryMessage, warn);
  } catch (const std::exception& e) {
    return Fail(std::string(e.what()) + "\r\n" + LineReport({}, 0), warn);
  }
  return ReadIntoModel(model, text.View(), progress, warn);
}

TPlotLoadResult RequirePlotRecords(const TPlotModel& model, TPlotLoadResult loaded) {
  if (!loaded.Ok || model.Plots.Count() > 0) return loaded;
  loaded.Ok = false;
  loaded.Message = "\"" + model.PlotInfo.FileName + "\" holds no plot records";
  return loaded;
}

bool HasLegs(const TPlotModel& model) {
  for (int i = 0; i < model.Plots.Count(); ++i)
    if (model.Plots[i].Code == 'D' || model.Plots[i].Code == 'd') return true;
  return false;
}

TPlotLoadResult RequireLegs(const TPlotModel& model, TPlotLoadResult loaded, const std::string& what) {
  if (!loaded.Ok || model.Plots.Count() == 0 || HasLegs(model)) return loaded;
  loaded.Ok = false;
  loaded.Message = "\"" + model.PlotInfo.FileName + "\" holds stations but no legs: " + what;
  return loaded;
}

TPlotLineCounts CountPlotLines(const std::string& fileName) {
  return CountPlotLinesInText(TFileBytes(fileName).View());
}

TPlotLineCounts CountPlotLinesInText(std::string_view text) {
  const std::array<int, 256> n = LineLetterCounts(text);
  return {n['D'], 2 * n['M']};
}

std::string GeoreferenceWarning(const std::string& extraLine) {
  std::string text =
      "No Georeference Data In Plot File.\r\n"
      "Data may be missing from the project or\r\n"
      "the file may have been compiled with an old compiler.\r\n"
      "Check the Fixed Links in Project Manager and Recompile.\r\n";
  if (!extraLine.empty()) text += extraLine + "\r\n";
  return text;
}

bool CheckGeoreference(const TPlotModel& model, const TMessageProc& warn, const std::string& extraLine) {
  const bool placed = model.PlotInfo.HasZone || model.PlotInfo.ProjectedSystem;
  if (!placed && warn) warn(GeoreferenceWarning(extraLine));
  return placed;
}

}  // namespace lumora
