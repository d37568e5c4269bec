#include "tools/film/videoencoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {
std::string avText(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

constexpr int kIoBufferSize = 32768;

// What the trailer and the writes in flight may still need once the disk is
// full: the I/O buffer twice over, the index (sample sizes, chunk offsets and
// key frames, at most 16 bytes a frame) and its fixed boxes.
long long reserveBytes(long frames) { return 2LL * kIoBufferSize + 16LL * (frames > 0 ? frames : 0) + 32768; }
}  // namespace

VideoEncoder::~VideoEncoder() { release(); }

void VideoEncoder::release() {
  sws_freeContext(toYuv_);
  toYuv_ = nullptr;
  av_frame_free(&frame_);
  av_packet_free(&packet_);
  avcodec_free_context(&codec_);
  if (format_ != nullptr) {
    // The I/O context is ours: the format context must not close it.
    format_->pb = nullptr;
    avformat_free_context(format_);
    format_ = nullptr;
  }
  if (io_ != nullptr) {
    av_freep(&io_->buffer);
    avio_context_free(&io_);
  }
  stream_ = nullptr;
  releaseReserve();
  // Not committed by now: nothing claims to be a film.
  file_.discard();
  fd_ = -1;
}

void VideoEncoder::releaseReserve() {
  if (reserveFd_ >= 0) ::close(reserveFd_);
  reserveFd_ = -1;
}

int VideoEncoder::writeBytes(void* opaque, uint8_t* bytes, int size) {
  auto* self = static_cast<VideoEncoder*>(opaque);
  if (self->lost_) return AVERROR(self->writeFailure_);
  int done = 0;
  while (done < size) {
    const ssize_t n = ::write(self->fd_, bytes + done, static_cast<size_t>(size - done));
    if (n > 0) {
      done += static_cast<int>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    const int code = n < 0 ? errno : ENOSPC;
    // The first failure gives back the kept space and tries again, so the
    // packets already muxed and the trailer still fit.
    if (self->writeFailure_ == 0) {
      self->writeFailure_ = code;
      if (self->reserveFd_ >= 0) {
        self->releaseReserve();
        continue;
      }
    }
    self->lost_ = true;
    return AVERROR(code);
  }
  return size;
}

int64_t VideoEncoder::seek(void* opaque, int64_t offset, int whence) {
  auto* self = static_cast<VideoEncoder*>(opaque);
  if (whence & AVSEEK_SIZE) {
    struct stat st {};
    return fstat(self->fd_, &st) == 0 ? static_cast<int64_t>(st.st_size) : AVERROR(errno);
  }
  const off_t at = lseek(self->fd_, static_cast<off_t>(offset), whence & ~AVSEEK_FORCE);
  return at < 0 ? AVERROR(errno) : static_cast<int64_t>(at);
}

bool VideoEncoder::open(const std::string& path, const VideoSettings& settings, std::string& error) {
  settings_ = settings;
  // x264 reports its settings and statistics at the default level.
  av_log_set_level(AV_LOG_ERROR);
  int rc = avformat_alloc_output_context2(&format_, nullptr, "mp4", path.c_str());
  if (rc < 0 || format_ == nullptr) {
    error = "cannot set up an MP4 for '" + path + "': " + avText(rc);
    return false;
  }
  const char* encoderName = settings.lossless ? "libx264rgb" : "libx264";
  const AVCodec* codec = avcodec_find_encoder_by_name(encoderName);
  if (codec == nullptr) {
    error = std::string("FFmpeg has no ") + encoderName + " encoder";
    return false;
  }
  stream_ = avformat_new_stream(format_, nullptr);
  codec_ = avcodec_alloc_context3(codec);
  frame_ = av_frame_alloc();
  packet_ = av_packet_alloc();
  if (stream_ == nullptr || codec_ == nullptr || frame_ == nullptr || packet_ == nullptr) {
    error = "out of memory setting up the encoder";
    return false;
  }
  codec_->width = settings.width;
  codec_->height = settings.height;
  codec_->time_base = AVRational{1, settings.fps};
  codec_->framerate = AVRational{settings.fps, 1};
  codec_->pix_fmt = settings.lossless ? AV_PIX_FMT_RGB24 : AV_PIX_FMT_YUV420P;
  codec_->gop_size = 2 * settings.fps;
  // Without B-frames every piece of a split film starts and ends on plain
  // time stamps, so that the pieces join without re-encoding.
  codec_->max_b_frames = 0;
  if (!settings.lossless) {
    codec_->colorspace = AVCOL_SPC_SMPTE170M;
    codec_->color_range = AVCOL_RANGE_MPEG;
  }
  if (format_->oformat->flags & AVFMT_GLOBALHEADER) codec_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  av_opt_set(codec_->priv_data, "preset", "medium", 0);
  if (settings.lossless)
    av_opt_set(codec_->priv_data, "qp", "0", 0);
  else
    av_opt_set(codec_->priv_data, "crf", std::to_string(settings.crf).c_str(), 0);
  if ((rc = avcodec_open2(codec_, codec, nullptr)) < 0) {
    error = std::string("cannot open the ") + encoderName + " encoder: " + avText(rc);
    return false;
  }
  if ((rc = avcodec_parameters_from_context(stream_->codecpar, codec_)) < 0) {
    error = "cannot describe the video stream: " + avText(rc);
    return false;
  }
  stream_->time_base = codec_->time_base;
  stream_->avg_frame_rate = codec_->framerate;

  frame_->format = codec_->pix_fmt;
  frame_->width = settings.width;
  frame_->height = settings.height;
  if ((rc = av_frame_get_buffer(frame_, 0)) < 0) {
    error = "cannot allocate a video frame: " + avText(rc);
    return false;
  }
  if (!settings.lossless) {
    toYuv_ = sws_getContext(settings.width, settings.height, AV_PIX_FMT_RGB24, settings.width, settings.height,
                            AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr);
    if (toYuv_ == nullptr) {
      error = "cannot set up the RGB to YUV conversion";
      return false;
    }
  }
  if (!file_.open(path)) {
    error = "cannot write '" + path + "': " + file_.error();
    return false;
  }
  fd_ = fileno(file_.stream());
  // The kept space is an unlinked file: it vanishes with the process.
  const std::string reservePath = file_.temporaryPath() + ".reserve";
  reserveFd_ = ::open(reservePath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (reserveFd_ < 0 || unlink(reservePath.c_str()) != 0 ||
      (rc = posix_fallocate(reserveFd_, 0, static_cast<off_t>(reserveBytes(settings.plannedFrames)))) != 0) {
    const int code = reserveFd_ < 0 ? errno : rc;
    if (reserveFd_ >= 0) unlink(reservePath.c_str());
    error = "cannot write '" + path + "': " + strerror(code) + " (keeping " +
            std::to_string(reserveBytes(settings.plannedFrames) / 1024) + " kB for the film's index)";
    return false;
  }
  unsigned char* ioBuffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
  io_ = ioBuffer != nullptr ? avio_alloc_context(ioBuffer, kIoBufferSize, 1, this, nullptr, writeBytes, seek) : nullptr;
  if (io_ == nullptr) {
    av_free(ioBuffer);
    error = "out of memory setting up the MP4's output";
    return false;
  }
  format_->pb = io_;
  format_->flags |= AVFMT_FLAG_CUSTOM_IO;
  if ((rc = avformat_write_header(format_, nullptr)) < 0) {
    error = "cannot write the MP4 header of '" + path + "': " + avText(rc);
    return false;
  }
  headerWritten_ = true;
  return true;
}

bool VideoEncoder::addFrame(const unsigned char* rgb, std::string& error) {
  int rc = av_frame_make_writable(frame_);
  if (rc < 0) {
    error = "cannot reuse the video frame: " + avText(rc);
    return false;
  }
  const int rowBytes = settings_.width * 3;
  if (settings_.lossless) {
    for (int y = 0; y < settings_.height; ++y)
      memcpy(frame_->data[0] + static_cast<ptrdiff_t>(y) * frame_->linesize[0],
             rgb + static_cast<size_t>(y) * rowBytes, rowBytes);
  } else {
    const uint8_t* source[1] = {rgb};
    const int sourceStride[1] = {rowBytes};
    sws_scale(toYuv_, source, sourceStride, 0, settings_.height, frame_->data, frame_->linesize);
  }
  frame_->pts = nextPts_++;
  if ((rc = avcodec_send_frame(codec_, frame_)) < 0) {
    error = "the encoder refused a frame: " + avText(rc);
    return false;
  }
  return drain(false, error);
}

bool VideoEncoder::drain(bool flushing, std::string& error) {
  for (;;) {
    int rc = avcodec_receive_packet(codec_, packet_);
    if (rc == AVERROR(EAGAIN) && !flushing) return true;
    if (rc == AVERROR_EOF) return true;
    if (rc < 0) {
      error = "the encoder failed: " + avText(rc);
      return false;
    }
    av_packet_rescale_ts(packet_, codec_->time_base, stream_->time_base);
    packet_->stream_index = stream_->index;
    rc = av_interleaved_write_frame(format_, packet_);
    av_packet_unref(packet_);
    if (rc < 0) {
      error = "cannot write '" + file_.path() + "': " + (writeFailure_ != 0 ? strerror(writeFailure_) : avText(rc));
      return false;
    }
    ++packetsWritten_;
    if (writeFailure_ != 0) {
      // The disk filled: this packet went into the kept space; stop here.
      error = "cannot write '" + file_.path() + "': " + strerror(writeFailure_);
      return false;
    }
  }
}

bool VideoEncoder::close(std::string& error) {
  kept_ = false;
  if (!headerWritten_) {
    release();
    return false;
  }
  bool ok = writeFailure_ == 0;
  // After a failed write the frames still inside the encoder are dropped:
  // only what is already muxed goes into the index.
  if (ok) {
    const int rc = avcodec_send_frame(codec_, nullptr);
    ok = rc >= 0 || rc == AVERROR_EOF;
    if (!ok) error = "cannot flush the encoder: " + avText(rc);
    if (ok) ok = drain(true, error);
  }
  // The trailer even after a failed drain: what was written stays playable.
  int rc = av_write_trailer(format_);
  headerWritten_ = false;
  if (rc >= 0) {
    avio_flush(io_);
    rc = io_->error;
  }
  if (rc < 0 || lost_) {
    error = "cannot write '" + file_.path() + "': " + (writeFailure_ != 0 ? strerror(writeFailure_) : avText(rc));
    release();
    return false;
  }
  if (writeFailure_ != 0 && packetsWritten_ == 0) {
    // A film without a frame is no film.
    error = "cannot write '" + file_.path() + "': " + strerror(writeFailure_);
    release();
    return false;
  }
  if (writeFailure_ != 0 && ok) {
    error = "cannot write '" + file_.path() + "': " + strerror(writeFailure_);
    ok = false;
  }
  releaseReserve();
  if (!file_.commit()) {
    error = "cannot write '" + file_.path() + "': " + file_.error();
    release();
    return false;
  }
  kept_ = true;
  release();
  return ok;
}
