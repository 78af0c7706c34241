// The texts that the jobs show, as cp1250 bytes, exactly as the window shows
// them (status lines, messages).
#pragma once

namespace zararod::texts {

// "počet nových adres: ", "počet nových VL: ", "počet nových LL: "
inline constexpr const char* kStatusAddresses = "po\xE8" "et nov\xFD" "ch adres: ";
inline constexpr const char* kStatusWeighing = "po\xE8" "et nov\xFD" "ch VL: ";
inline constexpr const char* kStatusLab = "po\xE8" "et nov\xFD" "ch LL: ";
// "nelze se připojit k serveru "
inline constexpr const char* kCannotConnect = "nelze se p\xF8ipojit k serveru ";
// "počet nových važ.listů: ", "počet nových lab.listů: "
inline constexpr const char* kSendingWeighing = "po\xE8" "et nov\xFD" "ch va\x9E.list\xF9: ";
inline constexpr const char* kSendingLab = "po\xE8" "et nov\xFD" "ch lab.list\xF9: ";
// "Nahráno " N " nových adres"
inline constexpr const char* kImported = "Nahr\xE1no ";
inline constexpr const char* kImportedSuffix = " nov\xFD" "ch adres";
// "Odesláno " N " nových VL" / " nových LL"
inline constexpr const char* kSent = "Odesl\xE1no ";
inline constexpr const char* kSentWeighingSuffix = " nov\xFD" "ch VL";
inline constexpr const char* kSentLabSuffix = " nov\xFD" "ch LL";

// "kolize zámků na serveru, opakuji: pokus " N " ze " M (zararod-cli only)
inline constexpr const char* kRetrying = "kolize z\xE1mk\xF9 na serveru, opakuji: pokus ";
inline constexpr const char* kRetryingOf = " ze ";

}  // namespace zararod::texts
