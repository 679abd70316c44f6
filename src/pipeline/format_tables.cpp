#include "pipeline/format_tables.h"

namespace tarnwick {

namespace {
constexpr std::nullopt_t absent = std::nullopt;
}

const std::array<VideoFormat, videoFormatCount> videoFormatTable = {{
    {L"MP4", L"mp4", L"mp4", L",vcodec:h264,ext:mp4:m4a", absent, absent},
    {L"MKV", L"mkv", L"mkv", L"", absent, absent},
    {L"WebM", L"webm", L"mkv", L",ext:webm:webm", L"-c copy",
     L"-c:v libvpx-vp9 -crf 32 -b:v 0 -row-mt 1 -deadline good -cpu-used 4 -c:a libopus -b:a 160k"},
    {L"MOV", L"mov", L"mp4", L",vcodec:h264,ext:mp4:m4a", L"-c copy -movflags +faststart",
     L"-c:v libx264 -preset veryfast -crf 20 -pix_fmt yuv420p -c:a aac -b:a 192k -movflags +faststart"},
    {L"AVI", L"avi", L"mkv", L"", absent, L"-c:v mpeg4 -vtag XVID -q:v 3 -c:a libmp3lame -q:a 2 -ac 2"},
    {L"FLV", L"flv", L"mp4", L",vcodec:h264,acodec:aac", L"-c copy",
     L"-c:v libx264 -preset veryfast -crf 21 -pix_fmt yuv420p -c:a aac -b:a 160k -ar 44100"},
    {L"3GP", L"3gp", L"mp4", L",ext:mp4:m4a", absent,
     L"-vf \"scale=-2:'min(480,ih)'\" -c:v libx264 -profile:v baseline -level 3.0 -preset veryfast -crf 24 "
     L"-pix_fmt yuv420p -c:a aac -b:a 96k -ac 2 -ar 44100"},
    {L"MPEG", L"mpg", L"mkv", L"", absent,
     L"-vf \"scale=-2:'min(1080,ih)'\" -c:v mpeg2video -q:v 3 -c:a mp2 -b:a 192k -ac 2 -f mpeg"},
    {L"OGV", L"ogv", L"mkv", L"", absent, L"-c:v libtheora -q:v 7 -c:a libvorbis -q:a 5 -ac 2"},
    {L"WMV", L"wmv", L"mkv", L"", absent, L"-c:v wmv2 -q:v 3 -c:a wmav2 -b:a 192k -ac 2"},
}};

const std::array<QualityOption, qualityCount> qualityTable = {{
    {absent, 0},
    {L"8K", 4320},
    {L"4K", 2160},
    {L"2K", 1440},
    {L"1080p", 1080},
    {L"720p", 720},
    {L"480p", 480},
    {L"360p", 360},
    {L"240p", 240},
    {L"144p", 144},
}};

const std::array<AudioFormat, audioFormatCount> audioFormatTable = {{
    {L"MP3", L"mp3", L"mp3", false, true, absent},
    {L"M4A", L"m4a", L"m4a", false, true, absent},
    {L"AAC", L"aac", L"aac", false, false, absent},
    {L"FLAC", L"flac", L"flac", true, true, absent},
    {L"OGG", L"vorbis", L"ogg", false, true, absent},
    {L"Opus", L"opus", L"opus", false, true, absent},
    {L"WAV", L"wav", L"wav", true, false, absent},
    {L"WMA", absent, L"wma", false, false, L"-vn -c:a wmav2 -b:a {br} -ac 2"},
}};

const std::array<std::uint32_t, bitrateCount> bitrateTable = {320, 256, 192, 128, 96, 64};

}  // namespace tarnwick
