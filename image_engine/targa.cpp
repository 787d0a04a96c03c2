#include "codec_util.h"
namespace vantor {
int ReadTarga(ReadJob&) { return IMG_ERR_UNSUPPORTED; }
int WriteTarga(WriteJob&) { return IMG_ERR_UNSUPPORTED; }
}
