// An H.264 MP4 written frame by frame from top-down RGB rows, through
// FFmpeg's libraries.
#pragma once
#include <cstdint>
#include <string>

#include "base/atomicfile.h"

struct AVFormatContext;
struct AVIOContext;
struct AVCodecContext;
struct AVStream;
struct AVFrame;
struct AVPacket;
struct SwsContext;

struct VideoSettings {
  int width = 0;
  int height = 0;
  int fps = 30;
  // libx264rgb at quantiser 0 (the decoded frames are the rendered ones), else
  // libx264 4:2:0 at the given constant rate factor.
  bool lossless = false;
  int crf = 18;
  // Frames the run means to add: sizes the space kept back for the index.
  long plannedFrames = 0;
};

// The film goes to a hidden temporary beside the file and is renamed into
// place only with its index (the trailer) written. Space for the index is
// kept back from the start, so that when the disk fills the frames already
// muxed can still be closed into a playable, shorter film.
class VideoEncoder {
 public:
  VideoEncoder() = default;
  VideoEncoder(const VideoEncoder&) = delete;
  VideoEncoder& operator=(const VideoEncoder&) = delete;
  // Frees what is open and removes the unfinished file.
  ~VideoEncoder();

  // Creates the temporary, keeps back the index's space and writes the
  // header. False with a reason.
  bool open(const std::string& path, const VideoSettings& settings, std::string& error);
  // One frame of width * height * 3 bytes, rows top down; the next time stamp.
  // False with a reason when the encoder or a write failed: add no more
  // frames then, and close to keep what was written.
  bool addFrame(const unsigned char* rgb, std::string& error);
  // Drains the encoder (unless a write failed), writes the trailer and puts
  // the file in place. True when every frame added is in the film. After a
  // failed write, false with the reason, but framesInFile() frames were
  // closed into a playable film when they could be (then fileKept()).
  bool close(std::string& error);
  long framesAdded() const { return nextPts_; }
  // Frames whose packets reached the file; the encoder holds back a few.
  long framesInFile() const { return packetsWritten_; }
  // Whether close left a playable file at the path.
  bool fileKept() const { return kept_; }

 private:
  bool drain(bool flushing, std::string& error);
  void release();
  static int writeBytes(void* opaque, uint8_t* bytes, int size);
  static int64_t seek(void* opaque, int64_t offset, int whence);
  void releaseReserve();

  VideoSettings settings_;
  AtomicFile file_;
  int fd_ = -1;
  // An unlinked file holding the index's space until the end or a full disk.
  int reserveFd_ = -1;
  // First failed write (errno), and whether a write failed even after the
  // reserve was given back: the file is then lost.
  int writeFailure_ = 0;
  bool lost_ = false;
  AVFormatContext* format_ = nullptr;
  AVIOContext* io_ = nullptr;
  AVCodecContext* codec_ = nullptr;
  AVStream* stream_ = nullptr;
  AVFrame* frame_ = nullptr;
  AVPacket* packet_ = nullptr;
  SwsContext* toYuv_ = nullptr;
  long nextPts_ = 0;
  long packetsWritten_ = 0;
  bool headerWritten_ = false;
  bool kept_ = false;
};
