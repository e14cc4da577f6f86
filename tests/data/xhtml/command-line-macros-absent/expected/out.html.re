<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4\.01//EN" "http://www\.w3\.org/TR/html4/strict\.dtd">
<r>

<p>Tovrin</p>


<p title="[0-9]{4}">[0-9]{4}</p>

<p>page</p>

<a href="index\.en\.html">\$\(lang\)</a>
<p>English</p>

</r>
