// The photo page: matches a folder of JPEG photos to the points of a TRL
// track by capture time, writes a KML file with the track and the photos of
// each point, and geotagged copies of matched photos.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/WinDefs.h"
#include "logger/LoggerPage.h"
#include "logger/TrackRecord.h"
#include "photo/PhotoTypes.h"
#include "platform/OutputBatch.h"
#include "platform/WinTypes.h"
#include "res/photo_ids.h"
#include "ui/HListBox.h"

class CUnicodeTextFile;

class CPageTrackLogPhoto : public CLoggerPage {
 public:
  enum { IDD = IDD_PAGE_TRACKLOG_PHOTO };

  CPageTrackLogPhoto();
  ~CPageTrackLogPhoto() override;
  CPageTrackLogPhoto(const CPageTrackLogPhoto&) = delete;
  CPageTrackLogPhoto& operator=(const CPageTrackLogPhoto&) = delete;

  // The page and its buttons.
  BOOL OnInitDialog() override;
  void LoadControlTexts();
  void OnBrowseTrl();
  void OnBrowseFolder();
  void OnPhotoCombineSetting();
  void OnConvert();
  void OnPageDefaults() override { RestoreDefaults(); }
  // Zone and camera offset 0 in the settings object, for the next Photo
  // Combine Setting dialog; the page keeps its own values.
  void RestoreDefaults();

  // The photo job for the chipset log download: writes the KML of trlPath
  // with the photos of photoFolder into file, which the caller has opened
  // for writing with modeWriteUnicode; the job closes it, the caller owns
  // it. No dialog and no status text. FALSE when the track could not be
  // read or the KML not written; m_strJobError then says why, naming the
  // file, and the caller is to discard the output. A file opened through
  // CPhotoKmlOutput replaces its target only once the job has succeeded.
  BOOL CombinePhotos(std::string trlPath, CUnicodeTextFile* file, std::string photoFolder);
  // The job on the members (m_strTrlPath, m_strPhotoFolder, m_pKmlFile,
  // m_nCalibrationSeconds, m_bBatchMode) in the time-zone rule in force.
  // Closes m_pKmlFile. FALSE with m_strJobError on failure.
  BOOL WritePhotoKml();

  // Matching engine, called in this order by the photo job once m_points
  // is filled and the process time zone is the photo zone.
  void SortTrackPoints();
  void ParsePhotos();
  void ApplyCalibration();
  void SortPhotos();
  void MatchPhotos();

  void FindPhotos();
  void ReadExifDateTime(const std::string& path, std::int32_t& time, int& errorFlag,
                        std::string& message);
  // choice := 1 for the later point, 0 for the earlier (ties go earlier).
  void PickNearerPoint(std::int32_t earlierTime, std::int32_t laterTime, std::int32_t photoTime,
                       int& choice);
  // XOR of bytes 0 to 14 of a 16-byte track record; a record is valid when
  // this equals byte 15.
  BYTE CheckRecord(const BYTE* record) const;
  BYTE CheckRecord(const TrackRecord& record) const { return CheckRecord(record.bytes); }

  // Geotagged copy of one photo in the "GPS" folder beside it; part of
  // m_gpsCopyBatch while that is active, else a single output.
  void WriteGpsExif(const std::string& path, const TrackPoint& point, int& errorFlag,
                    std::string& message);
  static int ExifTypeSize(int type, std::uint32_t count, int& size);
  static void DegreesToDms(double latitude, double longitude, DmsValue& latitudeDms,
                           DmsValue& longitudeDms);

  // The page never closes itself.

  // Small members of the page.
  afx_msg void OnSelchangeResultList() {}
  void OnUnused() {}
  void ClearPhotoSettingsReset();
  static DWORD ParseHexText(const std::string& text);

  // Output to the page's list and status controls.
  void ResetResultList();
  void AddResultLine(const std::string& line);
  void SetStatusText(const std::string& text);
  std::string GetStatusText() const;
  // Loads a string-table text in the current language into m_strText.
  const std::string& LoadText(UINT id);

  // Track points (filled by the photo job), their local time texts and their
  // time order.
  std::vector<TrackPoint> m_points;
  std::vector<std::string> m_pointNames;
  int m_nPointCount = 0;
  std::vector<PointTimeIndex> m_pointOrder;

  // Photos of the folder, their time order and their date-reading messages.
  std::vector<PhotoRecord> m_photos;
  int m_nPhotoCount = 0;
  std::vector<PhotoTimeIndex> m_photoOrder;
  std::vector<std::string> m_parseMessage;
  int m_nParsePass = 0;
  int m_nParseError = 0;

  int m_nCalibrationSeconds = 0;
  int m_nPhotoZone = 0;
  int m_bBatchMode = 0;
  int m_bGpsPhotoAccepted = 1;

  std::string m_strText;
  std::string m_strPhotoFolder;
  std::string m_strTrlPath;
  std::string m_strKmlPath;  // chosen by the last Convert
  // Output of the running job: OnConvert's own file, or the caller's in
  // CombinePhotos.
  CUnicodeTextFile* m_pKmlFile = nullptr;
  CWnd* m_pMainDlg = nullptr;
  // Why the last job failed (empty after a job that succeeded).
  std::string m_strJobError;
  // The geotagged copies of the running job: each folder cleaned of stale
  // temporaries once, all copies made durable together at the job's end.
  OutputBatch m_gpsCopyBatch;
  CHListBox m_listResult;  // keeps its horizontal extent for long paths
  CStatic m_staticStatus;
  CStatic m_staticConvert;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  DECLARE_MESSAGE_MAP()

 private:
  // Heartbeat of the main dialog around a job while the link runs fast.
  void RunMainTimer(BOOL run);
  // The KML after the matching, item by item, with the geotagged copies.
  // Throws CFileException when a write fails; false when the track cannot
  // be read again for the route.
  bool WriteKmlBody(std::FILE* trl);
  // The geotagged copy of one matched photo; a copy that is refused or fails
  // is listed with the writer's message.
  void WriteGpsCopy(const std::string& path, const TrackPoint& point);
  // Makes the job's geotagged copies durable; a folder where that fails is
  // listed with the reason.
  void FinishGpsCopies();
  // Message box with the program's caption and the stop icon.
  void ShowError(const std::string& text);

  // The output as messages name it: the chosen KML path, or the caller's
  // file in a batch job.
  std::string m_strOutputName;

  // Source photo of every copy written in the current run, by copy path,
  // so that two photos whose copies share a name (a.jpg, a.JPG) are
  // reported instead of overwriting each other.
  std::map<std::string, std::string> m_gpsCopySources;
};

// Builds the geotagged copy of a JPEG held in memory. On anything but
// Written, `message` says why and `out` is to be discarded.
enum class GpsCopyResult {
  Written,
  FormatError,        // not an EXIF JPEG, a damaged structure or an unusable point
  NoExifIfd,          // IFD0 has no Exif IFD pointer
  UnsupportedMake,    // the camera make is not one the copy is made for
  UnsupportedLayout,  // the EXIF layout leaves no safe place for the GPS data
};
// The copy up to the end of its EXIF segment; the source from `restOffset`
// on follows unchanged.
GpsCopyResult BuildGpsExifHead(std::span<const BYTE> source, const TrackPoint& point,
                               std::vector<BYTE>& head, std::size_t& restOffset,
                               std::string& message);
GpsCopyResult BuildGpsExifCopy(std::span<const BYTE> source, const TrackPoint& point,
                               std::vector<BYTE>& out, std::string& message);
