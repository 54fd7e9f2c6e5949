// The baseline program of the start-up bench: what the bench looks for.
#pragma once

namespace tallivo::bench {

inline constexpr wchar_t kMinimalWindowClass[] = L"TallivoBenchMinimal";

}  // namespace tallivo::bench
