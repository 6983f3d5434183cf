# The page as a folder for any static web server: the page itself as
# index.html, its manifest and icons, and the service worker with a cache name
# made of the version and a digest of everything it caches.
# usage: cmake -DPAGE=... -DICONS=DIR -DSOURCE=DIR -DVERSION=... -DSITE=DIR -P browser_site.cmake
file(REMOVE_RECURSE ${SITE})
file(MAKE_DIRECTORY ${SITE})
file(COPY_FILE ${PAGE} ${SITE}/index.html)
file(COPY_FILE ${SOURCE}/browser_manifest.json ${SITE}/manifest.webmanifest)
file(COPY_FILE ${ICONS}/192.png ${SITE}/icon-192.png)
file(COPY_FILE ${ICONS}/512.png ${SITE}/icon-512.png)
set(digests "")
foreach(f index.html manifest.webmanifest icon-192.png icon-512.png)
  file(SHA256 ${SITE}/${f} digest)
  string(APPEND digests ${digest})
endforeach()
string(SHA256 digest "${digests}")
string(SUBSTRING ${digest} 0 12 digest)
file(READ ${SOURCE}/browser_sw.js worker)
string(REPLACE "@CACHE@" "hypercube-${VERSION}-${digest}" worker "${worker}")
file(WRITE ${SITE}/sw.js "${worker}")
