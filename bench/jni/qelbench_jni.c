/* The bench's own JNI library: the floor of a native call, the work the
 * log contract demands of a traced call with its files absent, and the
 * JNI work of a scan into four image arrays. Built with the
 * bridge's optimisation, so the only difference is what each call does. */
#include <jni.h>

#include <sys/stat.h>
#include <time.h>

/* The bridge's two log files: the same folder, built in the same way. */
static const char infoPath[] = QELSCAN_LOG_DIR "/QelScannerDll_Log.txt";
static const char errorPath[] = QELSCAN_LOG_DIR "/QelScannerDll_Err.txt";

/* Nothing but the call itself. */
JNIEXPORT jint JNICALL Java_QelBench_Floor_constant(JNIEnv *env, jclass cls) {
  (void)env;
  (void)cls;
  return 1512;
}

static int Exists(const char *path) {
  struct stat status;
  return stat(path, &status) == 0;
}

/* What a call traced with LogBoth owes while both files are absent: one
 * reading of the clock, then one existence test per file. */
JNIEXPORT jint JNICALL Java_QelBench_Floor_contractBoth(JNIEnv *env,
                                                        jclass cls) {
  (void)env;
  (void)cls;
  struct timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  const int info = Exists(infoPath);
  const int error = Exists(errorPath);
  return (jint)(now.tv_nsec & 1) + info + error;
}

/* The JNI work of QelScanToMemory's arguments, in the bridge's order, with
 * neither the scan nor the log: each image pinned and its length array
 * checked and pinned, the code line's slot tested, the three result arrays
 * pinned; then the images released, the lengths, the code line and the
 * results delivered. What the bridge spends beyond this is its own.
 * Returns how many of the images the virtual machine copied to pin them
 * (HotSpot copies an array out on the fetch and back on the release). */
JNIEXPORT jint JNICALL Java_QelBench_Floor_scanToMemoryArguments(
    JNIEnv *env, jclass cls, jbyteArray image0, jintArray length0,
    jbyteArray image1, jintArray length1, jbyteArray image2, jintArray length2,
    jbyteArray image3, jintArray length3, jobjectArray micr, jintArray quality,
    jintArray contrast, jintArray docStatus) {
  (void)cls;
  jbyteArray images[4] = {image0, image1, image2, image3};
  jintArray lengths[4] = {length0, length1, length2, length3};
  jintArray results[3] = {quality, contrast, docStatus};
  const jsize resultSizes[3] = {1, 1, 32};
  jbyte *imageElements[4];
  jint *lengthElements[4];
  jint *resultElements[3];
  int failed = 0;
  jint copies = 0;
  for (int i = 0; i < 4; ++i) {
    jboolean copied = JNI_FALSE;
    imageElements[i] = (*env)->GetByteArrayElements(env, images[i], &copied);
    copies += copied == JNI_TRUE;
    failed |= imageElements[i] == NULL ||
              (*env)->GetArrayLength(env, images[i]) < 1048576 ||
              (*env)->GetArrayLength(env, lengths[i]) < 1;
    lengthElements[i] = (*env)->GetIntArrayElements(env, lengths[i], NULL);
    failed |= lengthElements[i] == NULL;
  }
  failed |= (*env)->GetArrayLength(env, micr) < 1;
  jobject slot = (*env)->GetObjectArrayElement(env, micr, 0);
  failed |= slot == NULL;
  (*env)->DeleteLocalRef(env, slot);
  for (int i = 0; i < 3; ++i) {
    failed |= (*env)->GetArrayLength(env, results[i]) < resultSizes[i];
    resultElements[i] = (*env)->GetIntArrayElements(env, results[i], NULL);
    failed |= resultElements[i] == NULL;
  }
  if (failed) {
    return -1; /* the bench passes arrays that never fail */
  }
  for (int i = 0; i < 4; ++i) {
    (*env)->ReleaseByteArrayElements(env, images[i], imageElements[i], 0);
  }
  for (int i = 0; i < 4; ++i) {
    lengthElements[i][0] = 0;
    (*env)->ReleaseIntArrayElements(env, lengths[i], lengthElements[i], 0);
  }
  jstring text = (*env)->NewStringUTF(env, "");
  (*env)->SetObjectArrayElement(env, micr, 0, text);
  (*env)->DeleteLocalRef(env, text);
  for (int i = 0; i < 3; ++i) {
    for (jsize k = 0; k < resultSizes[i]; ++k) {
      resultElements[i][k] = 0;
    }
    (*env)->ReleaseIntArrayElements(env, results[i], resultElements[i], 0);
  }
  return copies;
}
