// What a test plug-in records of the calls it gets, read by tests through its exports.
#pragma once

struct TestPluginLog {
  int created;    // factory calls that made an object
  int destroyed;  // objects deleted
  int opened;
  int closed;
  int reopened;
  int ptz;
  int getMotion;
  int setMotion;
  int lastPtzCommand;
  int lastPtzParam;
  char lastOpenName[40];  // `name` of the record given to the last Open
  char family[20];        // the family this library was built for
  // The other arguments of the last PTZCtrl: the first bytes of `data` (none when null).
  int lastPtzReserved;
  int lastPtzLength;
  int lastPtzHadData;
  char lastPtzData[16];
  // Every argument of the last GetMotionPara or SetMotionPara, texts cut to their fields.
  char motionName[32];
  char motionIp[32];
  char motionUser[32];
  char motionPassword[32];
  int motionChannel;
  int motionPort;
  int motionSetArmed;     // the record's flag as SetMotionPara saw it
  int motionSetEndHour;   // the record's schedule[6].endHour as SetMotionPara saw it
};

// Both sides of the test plug-in's export are built from this header, by one compiler.
static_assert(sizeof(TestPluginLog) == 10 * 4 + 40 + 20 + 3 * 4 + 16 + 4 * 32 + 4 * 4,
              "TestPluginLog layout");

extern "C" {
// Copies the log.
typedef void (*TestPluginGetLogProc)(TestPluginLog* out);
// Clears the log; later Opens return `openResult` as real handle.
typedef void (*TestPluginResetProc)(long openResult);
// Raises an event through the callback of the last opened object, as the plug-in's thread
// would; 0 when no object holds a callback.
typedef int (*TestPluginRaiseProc)(long realHandle, int event, int value);
}
