// An H.264 MP4 written frame by frame from top-down RGB rows, through
// FFmpeg's libraries.
#pragma once
#include <string>

struct AVFormatContext;
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
};

class VideoEncoder {
 public:
  VideoEncoder() = default;
  VideoEncoder(const VideoEncoder&) = delete;
  VideoEncoder& operator=(const VideoEncoder&) = delete;
  // Frees what is open without finishing the file.
  ~VideoEncoder();

  // Creates the file and writes its header. False with a reason.
  bool open(const std::string& path, const VideoSettings& settings, std::string& error);
  // One frame of width * height * 3 bytes, rows top down; the next time stamp.
  bool addFrame(const unsigned char* rgb, std::string& error);
  // Drains the encoder and writes the trailer: the file is then complete.
  bool close(std::string& error);
  long framesAdded() const { return nextPts_; }

 private:
  bool drain(bool flushing, std::string& error);
  void release();

  VideoSettings settings_;
  AVFormatContext* format_ = nullptr;
  AVCodecContext* codec_ = nullptr;
  AVStream* stream_ = nullptr;
  AVFrame* frame_ = nullptr;
  AVPacket* packet_ = nullptr;
  SwsContext* toYuv_ = nullptr;
  long nextPts_ = 0;
  bool headerWritten_ = false;
};
