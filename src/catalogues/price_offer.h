// OFERTA_HANDLOWA (Oferta handlowa): the price list of one warehouse, printed through the
// report viewer.
//
// The operator chooses the warehouse (the main one, J_MAG_GLOW, proposed) and, where the
// articles carry a group (field T_W_O_K), may name one group; Esc gives up. The list
// holds each article of that warehouse (and group) in name order: code, name, unit, VAT
// rate, net price (CENA) and gross price (CENA2), and the count at the end. The articles
// are read in one pass in the name order; the table is left as it was.
#pragma once

#include <string>

namespace hurt::session {
class Session;
class ReportWriter;
}  // namespace hurt::session
namespace hurt::xbase {
class WorkArea;
}

namespace hurt::catalogues {

// Writes the list of `mag` (and `group` when not blank) from `as`, moving its record.
// Returns how many articles were listed.
long WriteOffer(session::Session& session, xbase::WorkArea& as, const std::string& mag, const std::string& group,
                session::ReportWriter& out);

void OfertaHandlowa(session::Session& session);

}  // namespace hurt::catalogues
