// The columns of an address that the address import writes on the site, in
// the order and spelling of its INSERT lines. The import sets DATUMZAL to the
// moment of writing, so that column is not among them.
#pragma once

namespace zararod {

inline constexpr const char* kAddressColumns[] = {
    "NAZEVPODNI", "SIDLO",      "ULICECISLO", "PSC",        "POSTA",     "KODPAR",
    "ICO",        "KOD_PLATCE", "ADR1",       "ADR2",       "ADR3",      "ADR4",
    "ADR5",       "ADR6",       "emailobj",   "email_fakt", "LIC_VNITRO"};

}  // namespace zararod
