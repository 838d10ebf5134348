#include "documents/jpk_marks.h"

#include <algorithm>
#include <array>

#include "base/text.h"
#include "console/console.h"
#include "console/form.h"
#include "console/message_window.h"
#include "console/screen_buffer.h"
#include "session/area_fields.h"
#include "session/session.h"
#include "session/var_names.h"

namespace hurt::documents {

namespace {

namespace var = session::var;

constexpr std::array<std::string_view, 15> kPositions = {
    "SW",   "EE",   "TP",    "TT_WNT", "TT_D",          "MR_T",           "MR_UZ",     "I_42",
    "I_63", "B_SPV", "B_SPV_DOSTAWA", "B_MPV_PROWIZJA", "MPP", "KorektaPO", "IMP"};
constexpr size_t kMpp = 12, kKorektaPo = 13, kImp = 14;

bool Before2022(JulianDay day) { return day != kEmptyDate && day < JulianFromYmd(2022, 1, 1); }

}  // namespace

std::vector<JpkQuestion> JpkQuestions(const DocKind& kind, JulianDay day) {
  std::vector<JpkQuestion> q;
  if (kind.IsSale() || kind.IsSalesCorrection()) {
    for (size_t i = 0; i < 12; ++i) q.push_back({i, std::string(kPositions[i])});
    if (!Before2022(day)) {
      q[0].label = "WSTO_EE";
      q[1].label = "IED";
    } else {
      q.push_back({kMpp, std::string(kPositions[kMpp])});
      q.push_back({kKorektaPo, std::string(kPositions[kKorektaPo])});
    }
  } else if (kind.IsPurchase()) {
    q.push_back({kImp, std::string(kPositions[kImp])});
    if (Before2022(day)) q.push_back({kMpp, std::string(kPositions[kMpp])});
  }
  return q;
}

bool JpkAnswerAllowed(char c) { return c == 'T' || c == 'N' || c == '1' || c == ' '; }

bool JpkTypeAllowed(std::string_view typ) {
  const std::string t = AllTrim(typ);
  return t.empty() || t == "RO" || t == "WEW" || t == "FP" || t == "MK" || t == "VAT_RR";
}

bool DoJpkXx(session::Session& s, const DocKind& kind, JulianDay day) {
  const std::vector<JpkQuestion> questions = JpkQuestions(kind, day);
  if (questions.empty()) return false;
  xbase::WorkArea* dowod = s.areas().Find("dowod");
  const bool with_typ = dowod != nullptr && dowod->FieldIndex("TYP_DOK") >= 0;
  std::string marks = PadR(s.vars().Text(var::M_JPK_XX), kJpkXxWidth);
  std::string typ = PadR(s.vars().Text(var::M_TYP_DOK), kTypDokWidth);
  std::vector<std::string> answers;
  for (const JpkQuestion& q : questions) answers.emplace_back(1, marks[q.position]);

  console::Console& con = s.con();
  const console::SavedScreen saved = con.SaveScreen();
  const int rows = static_cast<int>(questions.size()) + (with_typ ? 1 : 0);
  const int top = std::max(1, 12 - (rows + 3) / 2);
  const int bottom = top + rows + 3;
  con.Box(top, 22, bottom, 57, console::DoubleFrame(), con.colours().standard, ' ');
  con.Say(top + 1, 25, "Oznaczenia dokumentu do JPK");
  console::Form f(con);
  int row = top + 2;
  for (size_t i = 0; i < questions.size(); ++i, ++row) {
    f.Say(row, 25, PadR(questions[i].label, 16) + " [T/N] :");
    std::string& answer = answers[i];
    f.GetText(row, 50, answer, "!").Valid([&con, &answer] {
      if (JpkAnswerAllowed(answer.empty() ? ' ' : answer[0])) return true;
      console::Okno_(con, "Wpisz T, N, 1 albo zostaw puste", 2);
      return false;
    });
  }
  if (with_typ) {
    f.Say(row, 25, "Typ dokumentu :");
    f.GetText(row, 41, typ, "!!!!!!").Valid([&con, &typ] {
      if (JpkTypeAllowed(typ)) return true;
      console::Okno_(con, "Typ dokumentu: RO, WEW, FP, MK, VAT_RR albo puste", 2);
      return false;
    });
  }
  const bool escaped = f.Read().escaped;
  con.RestoreScreen(saved);
  if (escaped) return false;
  for (size_t i = 0; i < questions.size(); ++i) marks[questions[i].position] = answers[i].empty() ? ' ' : answers[i][0];
  s.vars().Set(var::M_JPK_XX, xbase::Value(marks));
  if (with_typ) s.vars().Set(var::M_TYP_DOK, xbase::Value(typ));
  return true;
}

void NewDocumentJpk(session::Session& s, std::string_view rd) {
  s.vars().Set(var::M_JPK_XX, xbase::Value(std::string(kJpkXxWidth, ' ')));
  std::string typ(kTypDokWidth, ' ');
  xbase::WorkArea* slow = s.areas().Find("slow");
  if (slow != nullptr && slow->FieldIndex("TYP_DOK") >= 0 && !IsBlank(rd) && slow->order_count() >= 1) {
    const int order = slow->order();
    if (slow->SetOrder(1).ok()) {
      auto found = slow->SeekKey(PadR(Upper(rd), 3));
      if (found.ok() && *found) typ = PadR(session::FieldText(*slow, "TYP_DOK"), kTypDokWidth);
    }
    (void)slow->SetOrder(order);
  }
  s.vars().Set(var::M_TYP_DOK, xbase::Value(typ));
}

}  // namespace hurt::documents
