// Hosted over http(s), the page is an app: a manifest to install it by, and a
// service worker that keeps it for use offline (the browser looks for a new
// release of the worker each time the app is opened). A page opened from disk
// can have neither, so it asks for neither. Where the app cannot be kept, the
// status line says so and why; at the folder's address without its closing
// slash, where the manifest and the worker would be looked for a folder too
// high, it goes to the address with it.
'use strict';
(function () {
  if (!/^https?:$/.test(location.protocol)) return;
  if (!/\/$|\.html$/.test(location.pathname)) {
    location.replace(location.pathname + '/' + location.search + location.hash);
    return;
  }
  var say = function (why) {
    document.getElementById('status').textContent = 'This page will not work offline: ' + why;
  };
  if (!window.isSecureContext) return say('it is not served over https.');
  if (!('serviceWorker' in navigator)) return say('this browser cannot keep it.');
  var manifest = document.createElement('link');
  manifest.rel = 'manifest';
  manifest.href = 'manifest.webmanifest';
  document.head.append(manifest);
  navigator.serviceWorker.register('sw.js').catch(function (e) {
    say('its host did not hand over sw.js as JavaScript (' + e.name + ').');
  });
})();
