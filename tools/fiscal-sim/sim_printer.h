// fiscal-sim: the printer itself. It takes the frames of any of the three dialects, keeps
// one transaction (a receipt or a fiscal invoice) open at a time, and writes what it
// "prints" to its journal, a text file a person (or a test) reads:
//
//   PARAGON 1 POCZATEK [esc]
//   NAGLOWEK KASA: 1 SD 5-1  ZAWADZKI MAREK
//   POZYCJA 1 MAKA PSZENNA TYP 450 1KG      A | 4 x 2.89 = 11.56 | A
//   STORNO ... | 1 x 2.00 = 2.00 | A
//   SUMA A 11.56
//   SUMA 11.56 ZAPLACONO 11.56 GOTOWKA
//   PARAGON 1 ZAMKNIETY
//
//   FAKTURA 2 POCZATEK [esc] SD-7          (its buyer lines as NABYWCA ...)
//   PARAGON 3 ANULOWANY
//   RAPORT DOBOWY: paragonow 1, suma 11.56 (A 11.56)
//   BLAD <what>                            (a frame refused: checksum, CRC, no receipt open)
//
// The enquiry (ESC P 0#n ESC \, or the byte ENQ) is answered with one status byte:
//   0x08 fiscal mode (unless --non-fiscal), 0x02 a transaction is open, 0x01 the last
//   frame was refused.
#pragma once

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "sim_frames.h"

namespace hurt::fiscal_sim {

class SimPrinter {
 public:
  SimPrinter(std::FILE* journal, bool fiscal_mode) : journal_(journal), fiscal_mode_(fiscal_mode) {}

  // Takes one frame; the bytes to answer with (the status byte), usually none.
  std::string Take(const Frame& frame);
  unsigned char StatusByte() const;

 private:
  struct Line {
    std::string name;
    double quantity = 0, price = 0, value = 0;
    std::string rate;
    bool storno = false;
  };
  void Write(const std::string& line);
  void Refuse(const std::string& problem);
  void Begin(bool invoice, const std::string& dialect, const std::vector<std::string>& header);
  void AddLine(const Line& line);
  void Close(double paid, double total, const std::string& payment);
  void Cancel();
  double Total() const;

  void Escape(const Frame& f, std::string* answer);
  void Tab(const Frame& f);
  void Xml(const Frame& f);

  std::FILE* journal_;
  bool fiscal_mode_;
  bool refused_ = false;
  int number_ = 0;
  bool open_ = false;
  bool invoice_ = false;
  std::vector<Line> lines_;
  double xml_paid_ = -1;
  std::string xml_payment_ = "GOTOWKA";
  // Since the last daily report.
  int day_receipts_ = 0;
  std::map<std::string, double> day_rates_;
  double cash_ = 0;
};

}  // namespace hurt::fiscal_sim
