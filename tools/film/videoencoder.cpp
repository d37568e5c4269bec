#include "tools/film/videoencoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <cstring>

namespace {
std::string avText(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}
}  // namespace

VideoEncoder::~VideoEncoder() { release(); }

void VideoEncoder::release() {
  sws_freeContext(toYuv_);
  toYuv_ = nullptr;
  av_frame_free(&frame_);
  av_packet_free(&packet_);
  avcodec_free_context(&codec_);
  if (format_ != nullptr) {
    if (format_->pb != nullptr) avio_closep(&format_->pb);
    avformat_free_context(format_);
    format_ = nullptr;
  }
  stream_ = nullptr;
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
  if ((rc = avio_open(&format_->pb, path.c_str(), AVIO_FLAG_WRITE)) < 0) {
    error = "cannot write '" + path + "': " + avText(rc);
    return false;
  }
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
      error = "cannot write to the MP4: " + avText(rc);
      return false;
    }
  }
}

bool VideoEncoder::close(std::string& error) {
  if (!headerWritten_) return false;
  int rc = avcodec_send_frame(codec_, nullptr);
  bool ok = rc >= 0 || rc == AVERROR_EOF;
  if (!ok) error = "cannot flush the encoder: " + avText(rc);
  if (ok) ok = drain(true, error);
  // The trailer even after a failed drain: what was written stays playable.
  rc = av_write_trailer(format_);
  headerWritten_ = false;
  if (rc < 0 && ok) {
    error = "cannot finish the MP4: " + avText(rc);
    ok = false;
  }
  release();
  return ok;
}
