(function () {
  'use strict';
  function close(box) {
    var link = box.previousElementSibling;
    if (link) link.setAttribute('aria-expanded', 'false');
    box.remove();
  }
  // Closes the open boxes but those holding keep.
  function closeBoxes(keep) {
    var boxes = document.querySelectorAll('.popup-box');
    for (var i = 0; i < boxes.length; i++) {
      if (!keep || !boxes[i].contains(keep)) close(boxes[i]);
    }
  }
  document.addEventListener('click', function (event) {
    var target = event.target instanceof Element ? event.target : null;
    var link = target && target.closest('a.popup[data-popup]');
    if (!link) { closeBoxes(target); return; }
    var content = document.getElementById('popup-' + link.getAttribute('data-popup'));
    if (!content) return;
    event.preventDefault();
    var open = link.nextElementSibling;
    if (open && open.classList.contains('popup-box')) { close(open); return; }
    closeBoxes(link);
    var box = document.createElement('div');
    box.className = 'popup-box';
    box.setAttribute('role', 'note');
    for (var node = content.firstChild; node; node = node.nextSibling) box.appendChild(node.cloneNode(true));
    var named = box.querySelectorAll('[id]');
    for (var j = 0; j < named.length; j++) named[j].removeAttribute('id');
    link.setAttribute('aria-expanded', 'true');
    link.after(box);
  });
  document.addEventListener('keydown', function (event) {
    if (event.key === 'Escape') closeBoxes(null);
  });
})();
