// The state words through which the windows, the link and the workers
// coordinate. The numbers are the ones logged and stored in the databases,
// so they never change.
#pragma once

#include <cstdint>

// Where the run stands; set and tested by the windows and start-up.
enum class WorkState : int32_t {
  kResumeList = 0,    // work on the resume list of the previous run
  kFirstDrop = 1,     // a first drop is being walked and digested
  kFirstUploads = 2,  // the first uploads of a batch started
  kLaterDrops = 3,    // drops dispatched in a later batch
  kLaterUploads = 4,  // uploads started in a later batch
  kReady = 5,         // idle and ready
  kOffline = 6,       // drops refused, most handlers do nothing
  kRetryPending = 8,  // an automatic retry of failed uploads waits
  kNotStarted = 9,    // waiting for the desktop client's start message
};

// The transfer state shared by the windows; m_lastTxStatus holds the value a
// previous run recorded, or kNothingRecorded.
enum class BusyState : int32_t {
  kIdle = 0,
  kRunning = 1,
  kPaused = 2,
  kNothingRecorded = 3,
};

// The last event of the desktop-client link.
enum class PeerEvent : int32_t {
  kQuit = 9,  // the client asked to quit or went away
  kNone = 15,
};

// For log lines and statements, which show the numbers.
constexpr int32_t StateNumber(WorkState s) {
  return static_cast<int32_t>(s);
}
constexpr int32_t StateNumber(BusyState s) {
  return static_cast<int32_t>(s);
}
constexpr int32_t StateNumber(PeerEvent s) {
  return static_cast<int32_t>(s);
}
