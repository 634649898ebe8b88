// String-table ids of the message boxes that the application asks and the
// front ends show; the message box layer picks default buttons by them.
#pragma once

namespace tarn {

inline constexpr int kMsgConfigFailed = 147;        // OK, exclamation
inline constexpr int kMsgNoController = 149;        // Retry/Cancel, no icon
inline constexpr int kMsgReadFailed = 151;          // Retry/Cancel, no icon
inline constexpr int kMsgWriteFailed = 152;         // Retry/Cancel, no icon
inline constexpr int kMsgWriteDone = 153;           // OK, exclamation
inline constexpr int kMsgQuitQuestion = 154;        // OK/Cancel, question
inline constexpr int kMsgQuitUnwritten = 176;       // Yes/No, question, No by default
inline constexpr int kMsgStartWarning = 158;        // Yes/No, question
inline constexpr int kMsgIdentityMismatch = 161;    // OK, exclamation
inline constexpr int kMsgIdentityUnreadable = 163;  // OK, exclamation

}  // namespace tarn
