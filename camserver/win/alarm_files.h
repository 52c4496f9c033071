// Where a camera keeps its alarm parameters and motion snapshots: below the user's
// temporary directory, in folders made on demand.
#pragma once

#include <string>

#include "camera_ports.h"

namespace lantern {

// "<temp>\<host program base name>\<camera name>.apd"
std::string AlarmParamFilePath(const std::string& cameraName);
// "<temp>\vskn<pid in hex>\<camera index>.bmp"
std::string SnapshotFilePath(int cameraIndex);
// Makes the folder of `filePath` with its missing parents.
void CreateParentFolders(const std::string& filePath);
// Writes a whole BMP image; false when the file cannot be written.
bool WriteSnapshot(const std::string& path, const uint8_t* image, size_t size);

class ApdFileStore : public AlarmParamStore {
 public:
  explicit ApdFileStore(const std::string& cameraName) : m_path(AlarmParamFilePath(cameraName)) {}
  size_t Load(uint8_t* record, size_t size) override;
  SaveResult Save(const uint8_t* record, size_t size) override;
  const std::string& path() const { return m_path; }

 private:
  std::string m_path;
};

class SystemLocalTime : public LocalTimeSource {
 public:
  LocalTime Now() override;
};

}  // namespace lantern
