/* The IZZIX sensor driver interface, with a simulated sensor as its backend.
 *
 * The simulated sensor serves fingerprint images from the files (PGM or PNG) of the folder named
 * by IZZIX_SIM_DIR, in name order and one per finger, or the file named in IZZIX_SIM_DIR/next
 * when that file exists. Before each finger it delivers IZZIX_SIM_EMPTY_FRAMES frames without a
 * finger (default 3); with IZZIX_SIM_NOFINGER=1 no finger ever arrives. Without IZZIX_SIM_DIR,
 * or when the folder does not exist, there is no device. The environment is read at DFP_Open.
 */
#ifndef IZZIX_H
#define IZZIX_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define DFP_RAW_FRAME_SIZE 120800 /* 302 columns x 400 rows, sensor polarity (255 = ridge) */
#define DFP_IMAGE_WIDTH 280
#define DFP_IMAGE_HEIGHT 320

/* Opens the device with the given index; returns a non-zero handle, or -1 when there is none. */
int32_t DFP_Open(int32_t index);

/* Closes a handle from DFP_Open. Returns 1, or 0 for a handle that is not open. */
int32_t DFP_Close(int32_t handle);

/* Takes one raw frame into `raw` (DFP_RAW_FRAME_SIZE bytes), waiting at most `waitMs`
 * milliseconds for it. Returns 1 on success, 0 on a failure (closed handle, unreadable file). */
int32_t DFP_Capture(int32_t handle, int32_t waitMs, uint8_t* raw);

/* Turns a raw frame into a 280 x 320 grey image (row-major, row 0 at the top, 0 black). */
void DFP_CorrectImage(const uint8_t* raw, uint8_t* image);

/* Simulator only: the number of handles open at the moment. */
int32_t DFP_SimOpenHandles(void);

#ifdef __cplusplus
}
#endif

#endif /* IZZIX_H */
