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
};

extern "C" {
// Copies the log.
typedef void (*TestPluginGetLogProc)(TestPluginLog* out);
// Clears the log; later Opens return `openResult` as real handle.
typedef void (*TestPluginResetProc)(long openResult);
// Raises an event through the callback of the last opened object, as the plug-in's thread
// would; 0 when no object holds a callback.
typedef int (*TestPluginRaiseProc)(long realHandle, int event, int value);
}
