// libjpeg's headers beside the layer's types.
#pragma once

#include <winnt.h>

#include <cstddef>
#include <cstdio>

// The layer's <winnt.h> already defines INT32, as Windows' basetsd.h does; libjpeg then leaves
// its own definition out.
#ifndef _BASETSD_H_
#define _BASETSD_H_
#endif

#include <jerror.h>
#include <jpeglib.h>
