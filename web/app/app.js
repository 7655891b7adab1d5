// Hosted over http(s), the page is an app: a manifest to install it by, and a
// service worker that keeps it for use offline (the browser looks for a new
// release of the worker each time the app is opened). A page opened from disk
// can have neither, so it asks for neither.
'use strict';
if (/^https?:$/.test(location.protocol) && 'serviceWorker' in navigator) {
  var manifest = document.createElement('link');
  manifest.rel = 'manifest';
  manifest.href = 'manifest.webmanifest';
  document.head.append(manifest);
  navigator.serviceWorker.register('sw.js');
}
