#include "codec_util.h"
namespace vantor {
int ReadPcx(ReadJob&) { return IMG_ERR_UNSUPPORTED; }
int ReadDcx(ReadJob&) { return IMG_ERR_UNSUPPORTED; }
int WritePcx(WriteJob&) { return IMG_ERR_UNSUPPORTED; }
int WriteDcx(WriteJob&) { return IMG_ERR_UNSUPPORTED; }
}
