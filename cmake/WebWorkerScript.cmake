# Writes the program's worker script: the worker's own part (platform/web/worker.js) with the
# program's glue (sparkler.js, as the link wrote it) after it, so that the worker fetches one
# script before the code it compiles. Written whole, then put in place.
#   cmake -DWORKER=worker.js -DGLUE=build-web/sparkler.js -DOUT=build-web/sparkler-worker.js
#         -P WebWorkerScript.cmake
file(READ "${WORKER}" worker)
file(READ "${GLUE}" glue)
file(WRITE "${OUT}.new" "${worker}\n${glue}")
file(RENAME "${OUT}.new" "${OUT}")
