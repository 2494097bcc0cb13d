/* minutix: fingerprint capture, enrolment, template rotation and drawing.
 *
 * The library drives one optical sensor, keeps the last captured 280 x 320 grey image and turns
 * it into a template of at most 384 bytes. All state is module-level; call from one thread.
 * Every buffer passed in stays owned by the caller; the library keeps no pointer to it.
 */
#ifndef MINUTIX_H
#define MINUTIX_H

#include <stdint.h>

#if defined(MINUTIX_BUILDING)
#define MX_EXPORT __attribute__((visibility("default")))
#else
#define MX_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Size of every template buffer handed to the library, in bytes. */
#define MX_TEMPLATE_BUFFER_SIZE 384

/* MX_Enroll results: success, image missing or refused, no core found. Any other value is a
 * sum of the core-position flags below: the core lies outside the middle half of the image. */
#define MX_ENROLL_OK 1
#define MX_ENROLL_BAD_IMAGE 2
#define MX_ENROLL_NO_CORE 4
#define MX_CORE_TOO_RIGHT 8
#define MX_CORE_TOO_LEFT 16
#define MX_CORE_TOO_LOW 32
#define MX_CORE_TOO_HIGH 64

/* The drawing target of MX_Draw: a caller-owned 32-bit RGB surface. Each pixel is 0xFFRRGGBB
 * in host order (the layout of QImage::Format_RGB32); stride is the distance between the
 * starts of two rows in bytes. Pass its address as MX_Draw's window handle. */
typedef struct MX_Surface {
    uint32_t* pixels;
    int32_t width;
    int32_t height;
    int32_t stride;
} MX_Surface;

/* Opens the sensor, or probes it again (closing the old device handle first) when it exists.
 * Returns 1 when a sensor is open afterwards, else 0. */
MX_EXPORT int32_t MX_Initialize(void);

/* Closes and forgets the sensor. Safe without one. */
MX_EXPORT void MX_Uninitialize(void);

/* Returns 1 when a sensor object exists and its device is open, else 0. */
MX_EXPORT int32_t MX_IsSensorOn(void);

/* Takes one frame and returns 1 when a finger lies on the sensor; 0 without a sensor. The frame
 * replaces the sensor's image buffer (MX_GetImageBuffer), not the captured image. */
MX_EXPORT int32_t MX_IsFingerOn(void);

/* Waits up to 5000 ms for a finger and keeps its image as the captured image. Returns 1 when an
 * image was captured; 0 without a sensor, on a driver failure or when no finger came. Clears the
 * core position of the last enrolment. */
MX_EXPORT int32_t MX_Capture(void);

/* Address of the sensor's 280 x 320 image buffer (row-major, row 0 at the top, 0 black) with
 * the most recent frame, unprocessed; null without a sensor. Owned by the library and valid
 * until MX_Uninitialize. */
MX_EXPORT uint8_t* MX_GetImageBuffer(void);

/* Width and height in pixels of the captured image: 0 before the first capture attempt. */
MX_EXPORT int32_t MX_GetImageWidth(void);
MX_EXPORT int32_t MX_GetImageHeight(void);

/* Forgets the captured image and the core position. Returns 1. */
MX_EXPORT int32_t MX_Clear(void);

/* Draws the captured image into the rectangle (left, top)-(right, bottom), right and bottom
 * exclusive, of the MX_Surface at `window`: copied 1:1 when the rectangle has the image's size,
 * stretched by area averaging otherwise, white when there is no image. With showCore non-zero
 * and a core found by the last enrolment with the core check, a red cross marks the core.
 * Pixels outside the surface are never written. */
MX_EXPORT void MX_Draw(void* window, int32_t left, int32_t top, int32_t right, int32_t bottom,
                       int32_t showCore);

/* Extracts a template from the captured image into `tmpl` (MX_TEMPLATE_BUFFER_SIZE bytes,
 * caller-owned) and, when `length` is not null, stores its length in bytes there. With
 * coreCheck non-zero the core must lie in the middle half of the image. Returns MX_ENROLL_OK,
 * MX_ENROLL_BAD_IMAGE, MX_ENROLL_NO_CORE or a sum of MX_CORE_* flags; on anything but
 * MX_ENROLL_OK neither `tmpl` nor `length` is written. The captured image is binarised in
 * place; drawing still shows the image as captured. */
MX_EXPORT int32_t MX_Enroll(uint8_t* tmpl, int32_t* length, int32_t coreCheck);

/* First capture of a two-pass enrolment: as MX_Enroll into the library's own first buffer.
 * Returns MX_Enroll's result. */
MX_EXPORT int32_t MX_EnrollTwice1(int32_t coreCheck);

/* Second capture of a two-pass enrolment: enrols the captured image, compares it with the
 * first template and, when the score reaches 100 x securityLevel (level clamped to 1..5),
 * copies the template with more minutiae (the first one on equal counts) into `out`
 * (MX_TEMPLATE_BUFFER_SIZE bytes) and its length into `length` when not null. Returns 1 when a
 * template was handed out, 0 when there is no first template or the two do not match, else the
 * failed enrolment's result; `out` is written only on 1. */
MX_EXPORT int32_t MX_EnrollTwice2(uint8_t* out, uint32_t* length, int32_t coreCheck,
                                  int32_t securityLevel);

/* Rotates the template in `tmpl` (MX_TEMPLATE_BUFFER_SIZE bytes, caller-owned) by 180 degrees
 * in place. The result is always a well-formed template within the buffer. */
MX_EXPORT void MX_RotateTemplate(uint8_t* tmpl);

#ifdef __cplusplus
}
#endif

#endif /* MINUTIX_H */
