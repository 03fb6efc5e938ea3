#pragma once

// Text keys of the macro page beyond the shared catalogue: the memory gauge
// and the messages of a refused edit or a recording that had to stop.

#include <string_view>

namespace ombrex::macro_texts {

inline constexpr std::u16string_view kRecordFirst = u"IDS_COMPOSITE_MACRO_ACTION_RECORD";
inline constexpr std::u16string_view kNamesCaption = u"IDS_MACRO_NAME";
inline constexpr std::u16string_view kCyclesCaption = u"IDS_MACRO_CYCLES";
inline constexpr std::u16string_view kRecordDelayCaption = u"IDS_MACRO_RECORD_DELAY";
inline constexpr std::u16string_view kKeyColumn = u"IDS_MACRO_MACRO_ACTION_COLUME_KEYS";
inline constexpr std::u16string_view kActionColumn = u"IDS_MACRO_MACRO_ACTION_COLUME_ACTION";
inline constexpr std::u16string_view kDelayColumn = u"IDS_MACRO_MACRO_ACTION_COLUME_DELAY";
inline constexpr std::u16string_view kDeleteAction = u"IDS_COMPOSITE_MACRO_ACTION_DELETE";
inline constexpr std::u16string_view kClearActions = u"IDS_COMPOSITE_MACRO_ACTION_CLEAR";
inline constexpr std::u16string_view kMoveTop = u"IDS_COMPOSITE_MACRO_ACTION_UPTOP";
inline constexpr std::u16string_view kMoveUp = u"IDS_COMPOSITE_MACRO_ACTION_UP";
inline constexpr std::u16string_view kMoveDown = u"IDS_COMPOSITE_MACRO_ACTION_DOWN";
inline constexpr std::u16string_view kMoveBottom = u"IDS_COMPOSITE_MACRO_ACTION_DOWNBOTTOM";

// The gauge: "%d %%" of the memory, then "(%s bytes)" with "used / total".
inline constexpr std::u16string_view kMemoryShare = u"IDS_MACRO_MEMORY_SHARE";
inline constexpr std::u16string_view kMemoryBytes = u"IDS_MACRO_MEMORY_BYTES";
inline constexpr std::u16string_view kMemoryUnknown = u"IDS_MACRO_MEMORY_UNKNOWN";
inline constexpr std::u16string_view kMemoryNamesLeftOut = u"IDS_MACRO_MEMORY_NAMES_LEFT_OUT";
inline constexpr std::u16string_view kMemoryTooLarge = u"IDS_MACRO_MEMORY_TOO_LARGE";

// Refusals: a new macro that would not fit; a recording that stopped at the
// memory's end or at the most actions a macro holds ("%d").
inline constexpr std::u16string_view kMemoryNoRoom = u"IDS_MACRO_MEMORY_NO_ROOM";
inline constexpr std::u16string_view kRecordMemoryFull = u"IDS_MACRO_RECORD_MEMORY_FULL";
inline constexpr std::u16string_view kRecordActionsFull = u"IDS_MACRO_RECORD_ACTIONS_FULL";

}  // namespace ombrex::macro_texts
