#include "session/output/report_pdf.h"

#include <hpdf.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>
#include <memory>
#include <optional>

#include "base/cp852.h"
#include "base/date.h"
#include "session/output/line_reader.h"
#include "session/output/printer_text.h"
#include "session/output/qr_code.h"
#include "session/output/report_copy.h"
#include "session/output/report_paths.h"

namespace hurt::session {

namespace {

constexpr float kPrintableWidth = kA4Width - 2 * kPdfSideMargin;
constexpr float kPrintableHeight = kA4Height - kPdfTopMargin - kPdfBottomMargin;
constexpr float kNominalFontSize = 10;  // the height of printer text at full scale
constexpr float kPicaCell = 7.2f;       // 10 characters per inch
constexpr float kMaxEnlargement = 1.6f;  // wide print (6 per inch) is drawn taller too
constexpr float kMinFontSize = 2;
constexpr float kBaselineRatio = 0.8f;  // baseline below the line top, in font sizes
constexpr size_t kReadBlock = 64 * 1024;
constexpr int kMaxGapCells = 200;  // blanks inside one drawn run

// Feeds a text to a consumer in chunks.
using ChunkSource = std::function<Status(const std::function<void(std::string_view)>& consume)>;

// First error libharu reports; its functions go on returning codes after it.
struct HpdfErrors {
  HPDF_STATUS code = HPDF_OK;
  HPDF_STATUS detail = 0;
};

void OnHpdfError(HPDF_STATUS code, HPDF_STATUS detail, void* user) {
  auto* errors = static_cast<HpdfErrors*>(user);
  if (errors->code == HPDF_OK) {
    errors->code = code;
    errors->detail = detail;
  }
}

struct HpdfDocDeleter {
  void operator()(HPDF_Doc doc) const { HPDF_Free(doc); }
};
using HpdfDocPtr = std::unique_ptr<std::remove_pointer_t<HPDF_Doc>, HpdfDocDeleter>;

std::string AsciiTitle(std::string_view text) {
  std::string out;
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    out += (b >= 0x20 && b < 0x7F) ? c : '_';
  }
  return out;
}

// The faces of the font, loaded when first used.
class Fonts {
 public:
  Fonts(HPDF_Doc doc, std::string regular_path) : doc_(doc), regular_path_(std::move(regular_path)) {}

  // style: kStyleBold / kStyleItalic bits.
  HPDF_Font Get(uint8_t style) {
    const size_t index = (style & kStyleBold ? 1 : 0) + (style & kStyleItalic ? 2 : 0);
    if (fonts_[index] == nullptr) fonts_[index] = Load(index);
    return fonts_[index];
  }
  // Advance of a character in units of the font size (0.602 for DejaVu Sans Mono).
  float Advance() {
    if (advance_ == 0) {
      const HPDF_INT width = HPDF_Font_GetUnicodeWidth(Get(0), '0');
      advance_ = width > 0 ? static_cast<float>(width) / 1000 : 0.602f;
    }
    return advance_;
  }

 private:
  HPDF_Font Load(size_t index) {
    static constexpr std::array<const char*, 4> kSuffix = {"", "-Bold", "-Oblique", "-BoldOblique"};
    if (index > 0) {
      std::string path = regular_path_;
      const size_t dot = path.rfind(".ttf");
      if (dot != std::string::npos && dot + 4 == path.size()) {
        path.insert(dot, kSuffix[index]);
        if (FileExists(path)) return LoadFile(path);
      }
      return Get(0);
    }
    return LoadFile(regular_path_);
  }
  static bool FileExists(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return false;
    std::fclose(f);
    return true;
  }
  HPDF_Font LoadFile(const std::string& path) {
    const char* name = HPDF_LoadTTFontFromFile(doc_, path.c_str(), HPDF_TRUE);
    if (name == nullptr) return nullptr;
    return HPDF_GetFont(doc_, name, "UTF-8");
  }

  HPDF_Doc doc_;
  std::string regular_path_;
  std::array<HPDF_Font, 4> fonts_{};
  float advance_ = 0;
};

class WidthMeter final : public PrintSink {
 public:
  void OnLine(const PrintLine& line) override {
    for (const PrintGlyph& g : line.glyphs) widest_ = std::max(widest_, g.x + g.width);
  }
  void OnPageEnd() override {}
  float widest() const { return widest_; }

 private:
  float widest_ = 0;
};

// Draws the interpreted lines on libharu pages, in either geometry.
class PdfPainter final : public PrintSink {
 public:
  // Report geometry: everything at `scale`.
  PdfPainter(HPDF_Doc doc, Fonts& fonts, float scale) : doc_(doc), fonts_(&fonts), scale_(scale) {}
  // Document geometry.
  PdfPainter(HPDF_Doc doc, Fonts& fonts) : doc_(doc), fonts_(&fonts), scale_(1), document_(true) {}

  void OnLine(const PrintLine& line) override {
    float size = 0;
    float baseline = 0;
    if (document_) {
      // Every 60 line ends (blank lines count) fill a page: a line past them goes on the
      // next one, with a blank page for each further 60.
      const int64_t sheet = line.feeds / kDocLinesPerPage;
      while (sheet_ < sheet) {
        CurrentPage();
        EndPage();
        ++sheet_;
      }
      baseline = kDocFirstBaseline - kDocLineStep * static_cast<float>(line.feeds % kDocLinesPerPage);
      lowest_baseline_ = baseline;
    } else {
      size = std::max(kMinFontSize,
                      std::clamp(std::min(kNominalFontSize, line.spacing * 0.95f), kMinFontSize, 20.0f) * scale_);
      baseline = kA4Height - kPdfTopMargin - line.y * scale_ - size * kBaselineRatio;
    }
    HPDF_Page page = CurrentPage();
    if (page == nullptr) return;
    const std::vector<PrintGlyph>& glyphs = line.glyphs;
    underlines_.clear();
    float underline_size = size;  // the line's size; the largest run's in a document
    HPDF_Page_BeginText(page);
    for (size_t i = 0; i < glyphs.size();) {
      const PrintGlyph& first = glyphs[i];
      std::string text;
      AppendUtf8(text, first.ch);
      float end = first.x + first.width;
      size_t j = i + 1;
      for (; j < glyphs.size(); ++j) {
        const PrintGlyph& g = glyphs[j];
        if (g.style != first.style || std::fabs(g.width - first.width) > 0.01f) break;
        const float cells = (g.x - end) / first.width;
        const float whole = std::round(cells);
        if (cells < -0.02f || std::fabs(cells - whole) > 0.02f || whole > kMaxGapCells) break;
        if (whole > 0 && (first.style & kStyleUnderline)) break;
        text.append(static_cast<size_t>(whole), ' ');
        AppendUtf8(text, g.ch);
        end = g.x + g.width;
      }
      const float run_size = document_ ? DocumentFontSize(first.width) : RunSize(first, size);
      DrawRun(page, first, run_size, baseline, text);
      if (first.style & kStyleUnderline) {
        underlines_.push_back({first.x, end});
        if (document_) underline_size = std::max(underline_size, run_size);
      }
      i = j;
    }
    HPDF_Page_EndText(page);
    if (!underlines_.empty()) {
      HPDF_Page_SetLineWidth(page, std::max(0.3f, underline_size * 0.06f));
      for (const auto& [from, to] : underlines_) {
        const float y = baseline - underline_size * 0.15f;
        HPDF_Page_MoveTo(page, Left() + from * scale_, y);
        HPDF_Page_LineTo(page, Left() + to * scale_, y);
      }
      HPDF_Page_Stroke(page);
    }
  }

  void OnPageEnd() override {
    CurrentPage();  // an empty page is a page too
    EndPage();
    sheet_ = 0;
  }

  // The QR code with its label under the last line drawn, two lines below it, or at the
  // top of a page of its own when the last page has no room left. Four light modules
  // at least stay around the code.
  void DrawQr(const QrMatrix& matrix, const std::string& label) {
    const float side = kDocQrModule * static_cast<float>(matrix.size);
    const float quiet = 4 * kDocQrModule;
    const float label_baseline = side + quiet + kDocCondensedSize;  // below the code's top
    const float height = label_baseline + kDocCondensedSize / 2;
    float top = lowest_baseline_ - 2 * kDocLineStep;
    HPDF_Page page = last_page_;
    if (page == nullptr || top - height <= kDocBottom) {
      page = CurrentPage();
      top = kDocFirstBaseline + kDocNormalSize;
    }
    if (page == nullptr) return;
    for (int row = 0; row < matrix.size; ++row) {
      // A run of dark modules in a row is one rectangle.
      for (int column = 0; column < matrix.size;) {
        if (!matrix.Dark(row, column)) {
          ++column;
          continue;
        }
        int run = 1;
        while (column + run < matrix.size && matrix.Dark(row, column + run)) ++run;
        HPDF_Page_Rectangle(page, kDocLeft + kDocQrModule * static_cast<float>(column),
                            top - kDocQrModule * static_cast<float>(row + 1), kDocQrModule * static_cast<float>(run),
                            kDocQrModule);
        column += run;
      }
    }
    HPDF_Page_Fill(page);
    HPDF_Font font = fonts_->Get(0);
    if (font == nullptr || label.empty()) return;
    HPDF_Page_BeginText(page);
    HPDF_Page_SetFontAndSize(page, font, kDocCondensedSize);
    HPDF_Page_SetHorizontalScalling(page, 100);
    HPDF_Page_TextOut(page, kDocLeft, top - label_baseline, label.c_str());
    HPDF_Page_EndText(page);
    page_ = nullptr;
  }

  int pages() const { return pages_; }

 private:
  float Left() const { return document_ ? kDocLeft : kPdfSideMargin; }

  // Report geometry: cells wider than pica (double width, 6 per inch) get taller letters
  // as well, so a title does not turn into a row of flat, far-apart letters.
  static float RunSize(const PrintGlyph& first, float line_size) {
    return line_size * std::clamp(first.width / kPicaCell, 1.0f, kMaxEnlargement);
  }

  HPDF_Page CurrentPage() {
    if (page_ == nullptr) {
      page_ = HPDF_AddPage(doc_);
      if (page_ == nullptr) return nullptr;
      ++pages_;
      HPDF_Page_SetWidth(page_, document_ ? kDocPageWidth : kA4Width);
      HPDF_Page_SetHeight(page_, document_ ? kDocPageHeight : kA4Height);
      font_ = nullptr;
      font_size_ = 0;
      hscale_ = 100;
      lowest_baseline_ = kDocFirstBaseline + kDocLineStep;
    }
    return page_;
  }

  void EndPage() {
    if (page_ != nullptr) last_page_ = page_;
    page_ = nullptr;
  }

  void DrawRun(HPDF_Page page, const PrintGlyph& first, float size, float baseline, const std::string& text) {
    HPDF_Font font = fonts_->Get(first.style);
    if (font == nullptr) return;
    if (font != font_ || size != font_size_) {
      HPDF_Page_SetFontAndSize(page, font, size);
      font_ = font;
      font_size_ = size;
    }
    float hscale = first.width * scale_ / (fonts_->Advance() * size) * 100;
    hscale = std::clamp(hscale, static_cast<float>(HPDF_MIN_HORIZONTALSCALING), static_cast<float>(HPDF_MAX_HORIZONTALSCALING));
    if (std::fabs(hscale - hscale_) > 0.001f) {
      HPDF_Page_SetHorizontalScalling(page, hscale);
      hscale_ = hscale;
    }
    HPDF_Page_TextOut(page, Left() + first.x * scale_, baseline, text.c_str());
  }

  HPDF_Doc doc_;
  Fonts* fonts_;
  float scale_;
  bool document_ = false;
  HPDF_Page page_ = nullptr;
  HPDF_Page last_page_ = nullptr;  // the page ended last
  HPDF_Font font_ = nullptr;
  float font_size_ = 0;
  float hscale_ = 100;
  int pages_ = 0;
  int64_t sheet_ = 0;  // document geometry: pages of 60 lines made of the printer's current page
  float lowest_baseline_ = kDocFirstBaseline + kDocLineStep;  // of the current page
  std::vector<std::pair<float, float>> underlines_;
};

Status HpdfStatus(const HpdfErrors& errors, std::string_view what) {
  char code[32];
  std::snprintf(code, sizeof code, "%04X/%u", static_cast<unsigned>(errors.code), static_cast<unsigned>(errors.detail));
  return Status::IoError("Blad tworzenia PDF (" + std::string(what) + ", kod " + code + ")");
}

// The information dictionary: title, author, creator, producer and the creation date.
void SetInfo(HPDF_Doc doc, const PdfOptions& options, Clock& clock) {
  HPDF_SetInfoAttr(doc, HPDF_INFO_CREATOR, AsciiTitle(options.creator).c_str());
  HPDF_SetInfoAttr(doc, HPDF_INFO_PRODUCER, AsciiTitle(options.producer).c_str());
  if (!options.title.empty()) HPDF_SetInfoAttr(doc, HPDF_INFO_TITLE, AsciiTitle(options.title).c_str());
  if (!options.author.empty()) HPDF_SetInfoAttr(doc, HPDF_INFO_AUTHOR, AsciiTitle(options.author).c_str());
  const int64_t seconds = clock.LocalMillis() / 1000;
  const Ymd ymd = YmdFromJulian(static_cast<JulianDay>(kJulianOf1970 + seconds / 86400));
  const int64_t of_day = seconds % 86400;
  HPDF_Date date{};
  date.year = ymd.year;
  date.month = ymd.month;
  date.day = ymd.day;
  date.hour = static_cast<HPDF_INT>(of_day / 3600);
  date.minutes = static_cast<HPDF_INT>(of_day / 60 % 60);
  date.seconds = static_cast<HPDF_INT>(of_day % 60);
  date.ind = ' ';
  if (options.utc_offset_minutes) {
    const int offset = *options.utc_offset_minutes;
    date.ind = offset < 0 ? '-' : '+';
    date.off_hour = std::abs(offset) / 60;
    date.off_minutes = std::abs(offset) % 60;
  }
  HPDF_SetInfoDateAttr(doc, HPDF_INFO_CREATION_DATE, date);
}

Result<PdfDocument> RenderPdf(const ChunkSource& source, const PdfOptions& options, Clock& clock) {
  if (std::FILE* f = std::fopen(options.font_path.c_str(), "rb")) {
    std::fclose(f);
  } else {
    return Status::NotFound("Brak czcionki " + options.font_path);
  }
  const bool document = options.geometry == PdfOptions::Geometry::kDocument;
  std::optional<QrMatrix> qr;
  if (document && options.qr) {
    auto matrix = EncodeQr(options.qr->text);
    if (!matrix.ok()) return matrix.status();
    qr = std::move(*matrix);
  }

  // Pass 1: the encoding, and the widest line (under both readings of the text) that
  // the report geometry scales by.
  WidthMeter cp852_meter;
  WidthMeter utf8_meter;
  PrinterTextInterpreter cp852_pass(cp852_meter, kPrintableHeight, TextEncoding::kCp852);
  PrinterTextInterpreter utf8_pass(utf8_meter, kPrintableHeight, TextEncoding::kUtf8);
  Utf8Sniffer sniffer;
  HURT_RETURN_IF_ERROR(source([&](std::string_view chunk) {
    if (!document) cp852_pass.Feed(chunk);
    if (!document && options.encoding != PdfOptions::Encoding::kCp852) utf8_pass.Feed(chunk);
    if (options.encoding == PdfOptions::Encoding::kAuto) sniffer.Feed(chunk);
  }));
  cp852_pass.Finish();
  utf8_pass.Finish();
  const bool utf8 = options.encoding == PdfOptions::Encoding::kUtf8 ||
                    (options.encoding == PdfOptions::Encoding::kAuto && sniffer.LooksLikeUtf8());
  const float widest = utf8 ? utf8_meter.widest() : cp852_meter.widest();
  const float scale = document || widest <= kPrintableWidth ? 1.0f : kPrintableWidth / widest;

  HpdfErrors errors;
  HpdfDocPtr doc(HPDF_New(OnHpdfError, &errors));
  if (!doc) return Status::IoError("Blad tworzenia PDF (brak pamieci)");
  doc->pdf_version = HPDF_VER_14;  // libharu has no call for it; the header says "%PDF-1.4"
  HPDF_SetCompressionMode(doc.get(), HPDF_COMP_ALL);
  HPDF_UseUTFEncodings(doc.get());
  SetInfo(doc.get(), options, clock);
  if (errors.code != HPDF_OK) return HpdfStatus(errors, "naglowek");

  Fonts fonts(doc.get(), options.font_path);
  if (fonts.Get(0) == nullptr) return Status::IoError("Nie moge wczytac czcionki " + options.font_path);

  // Pass 2: draw. In the report geometry the page is drawn at the scale as a whole, so in
  // printer units it is taller; the document geometry makes its own pages.
  PdfPainter painter = document ? PdfPainter(doc.get(), fonts) : PdfPainter(doc.get(), fonts, scale);
  const float height = document ? std::numeric_limits<float>::infinity() : kPrintableHeight / scale;
  PrinterTextInterpreter paint_pass(painter, height, utf8 ? TextEncoding::kUtf8 : TextEncoding::kCp852);
  HURT_RETURN_IF_ERROR(source([&](std::string_view chunk) { paint_pass.Feed(chunk); }));
  paint_pass.Finish();
  if (qr) painter.DrawQr(*qr, options.qr->label);
  if (errors.code != HPDF_OK) return HpdfStatus(errors, "strony");

  if (HPDF_SaveToStream(doc.get()) != HPDF_OK) return HpdfStatus(errors, "zapis");
  HPDF_ResetStream(doc.get());
  PdfDocument out;
  out.pages = painter.pages();
  out.bytes.reserve(HPDF_GetStreamSize(doc.get()));
  for (;;) {
    std::array<HPDF_BYTE, 64 * 1024> buf;
    HPDF_UINT32 n = buf.size();
    const HPDF_STATUS st = HPDF_ReadFromStream(doc.get(), buf.data(), &n);
    out.bytes.append(reinterpret_cast<const char*>(buf.data()), n);
    if (st == HPDF_STREAM_EOF) break;
    if (st != HPDF_OK) return HpdfStatus(errors, "zapis");
    if (n == 0) break;
  }
  return out;
}

}  // namespace

float DocumentFontSize(float cell_width) {
  if (cell_width <= 0) return kDocNormalSize;
  const float per_inch = 72 / cell_width;
  if (per_inch >= 19.5f) return kDocCondensedSize;
  if (per_inch <= 6.5f) return kDocWideSize;
  return kDocNormalSize;
}

Result<PdfDocument> PrinterTextToPdf(std::string_view text, const PdfOptions& options, Clock& clock) {
  return RenderPdf(
      [text](const std::function<void(std::string_view)>& consume) {
        consume(text);
        return Status::Ok();
      },
      options, clock);
}

Result<PdfDocument> ReportFileToPdf(xbase::Env& env, const std::string& report, const PdfOptions& options) {
  auto file = OpenForReading(env, report);
  if (!file.ok()) return file.status();
  xbase::File& f = **file;
  PdfOptions with_title = options;
  if (with_title.title.empty()) with_title.title = std::string(BaseName(report));
  return RenderPdf(
      [&f](const std::function<void(std::string_view)>& consume) {
        std::string block(kReadBlock, '\0');
        uint64_t offset = 0;
        for (;;) {
          size_t got = 0;
          HURT_RETURN_IF_ERROR(f.ReadAt(offset, block.size(), block.data(), &got));
          if (got == 0) break;
          consume(std::string_view(block.data(), got));
          offset += got;
          if (got < block.size()) break;
        }
        return Status::Ok();
      },
      with_title, env.clock());
}

Result<int> ReportToPdfFile(xbase::Env& env, const std::string& report, const std::string& pdf,
                            const PdfOptions& options) {
  auto doc = ReportFileToPdf(env, report, options);
  if (!doc.ok()) return doc.status();
  HURT_RETURN_IF_ERROR(WriteFileReplacing(env, pdf, doc->bytes));
  return doc->pages;
}

}  // namespace hurt::session
